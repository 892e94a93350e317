#include "app/QuabrelApp.h"

// The one application object, alive from before main() to after it.
static quabrel::CquabrelApp theApp;

int main() { return theApp.InitInstance(); }
