// Korvane: the program entry. Shows the splash window, creates the data module and every window
// once, runs the message loop until the main window closes, and destroys them in reverse order.
#include "App.h"

int main(int argc, char** argv) { return runKorvane(argc, argv); }
