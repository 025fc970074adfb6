#include "app/ProgramRun.h"

int main(int argc, char* argv[]) {
    return lesaro::runProgram(argc, argv);
}
