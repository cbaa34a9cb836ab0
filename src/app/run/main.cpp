// Gatewright: fills the flight simulator with live real-world air traffic.
#include "app/run/entry.h"

int main(int argc, char** argv) { return gwr::gf_processEntry(argc, argv); }
