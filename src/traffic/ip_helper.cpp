#include "traffic/ip_helper.h"

#include <algorithm>
#include <cctype>

namespace tarvo {

CIpHelper::CIpHelper(InterfaceTableSource& source) : source_(source) {}

bool CIpHelper::isLoopbackDescription(const std::string& description) {
    // The table's description is fixed-size text that ends at its first NUL.
    const size_t n = std::min<size_t>(std::min(description.size(), description.find('\0')), 26);
    for (size_t i = 0; i + 4 <= n; ++i) {
        auto lower = [&](size_t k) {
            return char(std::tolower(static_cast<unsigned char>(description[i + k])));
        };
        if (lower(0) == 'l' && lower(1) == 'o' && lower(2) == 'o' && lower(3) == 'p')
            return true;
    }
    return false;
}

bool CIpHelper::InitInterfaces() {
    receivedSum_ = 0;
    sentSum_ = 0;
    if (!source_.read(rows_))
        return false;

    current_.clear();
    bool counted = false;
    for (const InterfaceRow& row : rows_) {
        if (isLoopbackDescription(row.description))
            continue;
        counted = true;
        current_.push_back({row.name, row.inOctets, row.outOctets});
    }

    // What an interface counted before it went away, or before its counters restarted,
    // stays in the totals.
    for (const Counted& before : last_) {
        auto now = std::find_if(current_.begin(), current_.end(),
                                [&](const Counted& c) { return c.name == before.name; });
        if (now == current_.end()) {
            retiredIn_ += before.in;
            retiredOut_ += before.out;
            continue;
        }
        if (now->in < before.in)
            retiredIn_ += before.in;
        if (now->out < before.out)
            retiredOut_ += before.out;
    }

    receivedSum_ = retiredIn_;
    sentSum_ = retiredOut_;
    for (const Counted& c : current_) {
        receivedSum_ += c.in;
        sentSum_ += c.out;
    }
    last_.swap(current_);
    return counted;
}

} // namespace tarvo
