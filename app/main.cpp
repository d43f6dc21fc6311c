// helixor: draws a parametric space curve.
#include "app/Application.h"

int main(int argc, char** argv) { return RunHelixor(argc, argv); }
