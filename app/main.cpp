// Gravelkin: run from the folder that holds shaders.hlsl and assets/.
#include "app/program.h"

int main() { return gravelkin::runProgram(); }
