#pragma once

#include <chrono>
#include <functional>
#include <optional>

namespace tolvane {

// When a run's yield hands the toolkit its pending events. The walker yields twice a
// folder, thousands of times a second on small folders, and a pass through the toolkit's
// event queue (with the repaint of the status line it brings) costs more than reading a
// small folder. Handing over the events at most once an interval keeps a Stop press, Exit
// and the close button answered within the interval plus one folder, at a cost that no
// longer grows with the number of folders.
class YieldPacing {
  public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;
    // Short enough that nobody waits on a Stop press, long enough that the run spends
    // about one hundredth of its time in the toolkit.
    static constexpr std::chrono::milliseconds kInterval{10};

    explicit YieldPacing(std::chrono::nanoseconds interval = kInterval,
                         Clock clock = &std::chrono::steady_clock::now)
        : interval_(interval), clock_(std::move(clock)) {}

    // True at first and whenever the interval has passed since the events were last
    // handed over.
    bool due() const { return !last_ || clock_() - *last_ >= interval_; }
    // The events have been handed over: the interval starts now, after the toolkit's
    // work, so that a slow pass through the queue cannot take up the whole run.
    void handedOver() { last_ = clock_(); }

  private:
    std::chrono::nanoseconds interval_;
    Clock clock_;
    std::optional<std::chrono::steady_clock::time_point> last_;
};

}  // namespace tolvane
