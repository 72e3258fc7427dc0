#pragma once
// Helpers the arithmetic, logic and shift builders share: placing case categories on positions so
// that every counted property is met exactly, keeping operand values unique within a routine,
// "about" shares as ranges, and the source line of one case.
#include <fmt/format.h>

#include <cmath>
#include <cstdint>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "rng.h"
#include "unit.h"

namespace casegen::alu {

// Non-zero operand values a routine has used: none may occur twice.
class UsedValues {
  public:
    bool fresh(std::uint32_t v) const { return v == 0 || !used_.contains(v); }
    void take(std::uint32_t v) {
        if (v != 0) used_.insert(v);
    }

  private:
    std::set<std::uint32_t> used_;
};

// Labels positions 0..counts-sum-1 with categories 0..counts.size()-1, category c on exactly
// counts[c] positions. `fixed` pins (position, category) pairs; the other labels fall in random
// order, then any label that `allowed(position, category)` refuses is exchanged for one that fits.
template <class Allowed>
std::vector<int> layoutCategories(Rng& rng, const std::vector<int>& counts,
                                  const std::vector<std::pair<int, int>>& fixed, Allowed allowed) {
    int total = 0;
    for (int c : counts)
        total += c;
    std::vector<int> label(total, -1);
    std::vector<int> left = counts;
    for (const auto& [pos, cat] : fixed) {
        label.at(pos) = cat;
        if (--left.at(cat) < 0) throw std::logic_error("more pinned positions than the count");
    }
    std::vector<int> pool;
    for (std::size_t c = 0; c < left.size(); ++c)
        pool.insert(pool.end(), left[c], int(c));
    for (std::size_t i = pool.size(); i > 1; --i)
        std::swap(pool[i - 1], pool[rng.below(i)]);
    std::vector<int> open;
    for (int p = 0; p < total; ++p)
        if (label[p] < 0) open.push_back(p);
    for (std::size_t k = 0; k < open.size(); ++k)
        label[open[k]] = pool[k];
    // Positions whose label may be refused; a position that takes a refused label in a
    // one-sided exchange joins the end of the list.
    std::vector<int> pending = open;
    const std::size_t limit = 64 * open.size() + 64;
    for (std::size_t k = 0; k < pending.size(); ++k) {
        if (k > limit) throw std::logic_error("no layout fits the allowed categories");
        const int p = pending[k];
        if (allowed(p, label[p])) continue;
        const std::size_t start = rng.below(open.size());
        int partner = -1;
        for (std::size_t j = 0; j < open.size() && partner < 0; ++j) {
            const int q = open[(start + j) % open.size()];
            if (q != p && allowed(p, label[q]) && allowed(q, label[p])) partner = q;
        }
        if (partner < 0) {
            for (std::size_t j = 0; j < open.size() && partner < 0; ++j) {
                const int q = open[(start + j) % open.size()];
                if (q != p && label[q] != label[p] && allowed(p, label[q])) partner = q;
            }
            if (partner < 0) throw std::logic_error("no position takes a category it must place");
            pending.push_back(partner);
        }
        std::swap(label[p], label[partner]);
    }
    return label;
}
inline std::vector<int> layoutCategories(Rng& rng, const std::vector<int>& counts,
                                         const std::vector<std::pair<int, int>>& fixed = {}) {
    return layoutCategories(rng, counts, fixed, [](int, int) { return true; });
}

// "About num/den of total": the count a fair draw gives within three standard deviations.
inline Property aboutShare(const std::string& what, long actual, long total, int num, int den) {
    const double p = double(num) / den;
    const double mean = total * p;
    const double spread = 3 * std::sqrt(total * p * (1 - p));
    return rangeProperty(fmt::format("{}, about {}/{} of {}", what, num, den, total),
                         long(std::floor(mean - spread)), long(std::ceil(mean + spread)), actual);
}

// A case's source line: the template invocation, then its 1-based number in the routine, which is
// how a failure is reported.
inline std::string caseLine(const std::string& invocation, int caseNumber) {
    return fmt::format("{:<56}# case {}", invocation, caseNumber);
}

inline bool lowHexDigitZero(std::uint32_t v) {
    return (v & 0xf) == 0;
}

} // namespace casegen::alu
