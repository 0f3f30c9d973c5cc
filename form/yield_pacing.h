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

    // True at the first call and whenever the interval has passed since the last call
    // that answered true.
    bool due() {
        const std::chrono::steady_clock::time_point now = clock_();
        if (last_ && now - *last_ < interval_) {
            return false;
        }
        last_ = now;
        return true;
    }

  private:
    std::chrono::nanoseconds interval_;
    Clock clock_;
    std::optional<std::chrono::steady_clock::time_point> last_;
};

}  // namespace tolvane
