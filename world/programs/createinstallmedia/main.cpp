#include "world/programs/common/Tool.h"
int main() { tool::fail("createinstallmedia: not built yet in this world", 1); }
