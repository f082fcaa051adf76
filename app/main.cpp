#include "app/Entry.h"

int main(int argc, char** argv) { return ZelWrkJob_Main(argc, argv); }
