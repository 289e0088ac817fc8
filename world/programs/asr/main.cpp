#include "world/programs/common/Tool.h"
int main() { tool::fail("asr: not built yet in this world", 1); }
