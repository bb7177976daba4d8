// The show: started without arguments, it runs fullscreen until the music
// ends, Escape ends it, or the window is closed.
#include "app/run_sequence.h"
#include "platform/quit_request.h"

int main() {
    installQuitSignals();
    return runShow(presentationParts());
}
