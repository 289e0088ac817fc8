#include "world/programs/common/Tool.h"
int main() { tool::fail("hdiutil: not built yet in this world", 1); }
