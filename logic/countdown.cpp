// The countdown: one second less at every tick, and the shutdown command once none are left.
#include "text_services.h"
#include "torvelt.h"

namespace torvelt {

void Torvelt::Timer_Timer() {
    state_.RestZeit = decrement(state_.RestZeit);
    controls_.setTimerTextCaption(countdownCaption(state_.RestZeit));
    if (state_.RestZeit < 1) {
        WindowsExit();
    }
}

}  // namespace torvelt
