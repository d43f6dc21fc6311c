#include "evaluator/Constants.h"

Extended PiValue() { return PiConstant; }
Extended EValue() { return EConstant; }
