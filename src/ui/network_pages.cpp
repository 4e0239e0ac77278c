#include "ui/page_builders.h"

// Replaced as this group of pages is built.
void BuildNetworkPages(frmControlPanel&) {}
