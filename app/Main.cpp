// The program's entry point.
#include "app/QuorvelApp.h"

wxIMPLEMENT_APP(CQuorvelApp);
