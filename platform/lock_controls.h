// The controls of the lock window that the lock logic reads and changes, by their names.
#pragma once

#include <string>

namespace torvelt {

class LockControls {
  public:
    virtual ~LockControls() = default;

    virtual std::string paßworttextText() = 0;
    virtual void setPaßworttextText(const std::string& text) = 0;
    virtual void focusPaßworttext() = 0;
    virtual void setTimerTextCaption(const std::string& caption) = 0;
    // 0 stops the ticks, 1000 gives one tick a second.
    virtual void setTimerInterval(int milliseconds) = 0;
};

}  // namespace torvelt
