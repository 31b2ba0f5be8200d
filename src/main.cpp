#include "ui/Run.h"

int main(int argc, char** argv) { return RunUi(argc, argv); }
