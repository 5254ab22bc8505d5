// The desktop program fennimar.
#include "app/application.h"

wxIMPLEMENT_APP(fennimar::app::Application);
