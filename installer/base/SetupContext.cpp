// The process-wide installer record.
#include "base/SetupContext.h"

SetupContextData SetupContext;

void ResetSetupContext() {
    SetupContext = SetupContextData();
}
