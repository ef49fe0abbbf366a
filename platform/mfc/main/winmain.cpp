// The entry point of a framework program: the global application object was
// constructed before main() runs.
#include "mfc/app.h"

int main() { return AfxWinMain(); }
