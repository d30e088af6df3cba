// kivo-meriview: the desktop viewer and converter.

#include "app/application.h"

int main(int argc, char** argv) { return kivo::app::runApplication(argc, argv); }
