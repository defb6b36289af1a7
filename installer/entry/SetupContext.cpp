// The process-wide installer record.
#include "entry/SetupContext.h"

SetupContextData SetupContext;

void ResetSetupContext() {
    SetupContext = SetupContextData();
}
