#include "failure_report.h"

#include "raised_error.h"

namespace tolvane {

FailureReport reportOf(std::exception_ptr failure) noexcept {
    FailureReport report;
    try {
        try {
            std::rethrow_exception(failure);
        } catch (const RaisedError& error) {
            report.number = error.number();
            report.source = error.source();
            report.description = error.description();
        } catch (const std::exception& error) {
            report.description = error.what();
        } catch (...) {
            report.description = "Unknown failure";
        }
    } catch (...) {
        // Copying a text ran out of memory: the report stays as far as it got.
    }
    return report;
}

std::string namingPath(const std::string& words, const std::string& path) {
    // The sentence loses its full stop before the path.
    const bool stop = !words.empty() && words.back() == '.';
    return words.substr(0, words.size() - (stop ? 1 : 0)) + ": " + path;
}

}  // namespace tolvane
