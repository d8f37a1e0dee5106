#include "doc/table_widths.h"

#include "doc/fonts.h"

#include <algorithm>

namespace doc {

namespace {

// Adds Extra to the columns in Pick, in proportion to Weight (equally when the weights
// add up to 0); the rounding rest goes to the last picked column, so the sum is exact.
template <class Pick, class Weight>
void share(std::vector<int>& widths, int extra, Pick pick, Weight weight) {
    auto w = [&](size_t c) { return static_cast<long long>(std::max(0, weight(c))); };
    long long total = 0;
    int count = 0;
    size_t last = 0;
    for (size_t c = 0; c < widths.size(); ++c)
        if (pick(c)) {
            total += w(c);
            ++count;
            last = c;
        }
    if (count == 0 || extra <= 0) return;
    const bool equal = total == 0;
    long long done = 0, given = 0;
    for (size_t c = 0; c < widths.size(); ++c) {
        if (!pick(c)) continue;
        done += equal ? 1 : w(c);
        const long long upTo = c == last ? extra : extra * done / (equal ? count : total);
        widths[c] += static_cast<int>(upTo - given);
        given = upTo;
    }
}

// Percentage columns get their part of Width, as far as their minimums and the maximums
// of the other columns allow; the other columns share the rest.
std::vector<int> percentWidths(const std::vector<TColumnNeed>& cols, int width, bool fill) {
    const size_t n = cols.size();
    std::vector<bool> percent(n);
    for (size_t c = 0; c < n; ++c) percent[c] = cols[c].Share > 0;
    std::vector<int> widths(n, 0);
    // Every round either ends or turns at least one percentage column into a plain one.
    for (size_t round = 0; round <= n; ++round) {
        bool dropped = false;
        for (size_t c = 0; c < n; ++c)
            if (percent[c]) {
                widths[c] = std::max(0, MulDiv(width, cols[c].Share, 1000) - 1);
                if (cols[c].Min > widths[c]) percent[c] = false, dropped = true;
            }
        if (dropped) continue;
        int wanted = 0, plainMax = 0;
        for (size_t c = 0; c < n; ++c) (percent[c] ? wanted += widths[c] : plainMax += cols[c].Max);
        if (wanted == 0 || wanted + plainMax <= width) break;
        // Too much asked: the percentages shrink to what the plain columns leave.
        const int room = std::max(0, width - plainMax);
        for (size_t c = 0; c < n; ++c)
            if (percent[c]) {
                widths[c] = MulDiv(widths[c], room, wanted);
                if (cols[c].Min > widths[c]) percent[c] = false, dropped = true;
            }
        if (!dropped) break;
    }
    int shares = 0, taken = 0, plainMin = 0;
    bool anyPlain = false;
    for (size_t c = 0; c < n; ++c) {
        if (percent[c]) {
            shares += cols[c].Share;
            taken += widths[c];
        } else {
            widths[c] = cols[c].Min;
            plainMin += cols[c].Min;
            anyPlain = true;
        }
    }
    const int rest = width - taken;
    auto isPlain = [&](size_t c) { return !percent[c]; };
    if (!anyPlain) {
        if (fill) share(widths, rest, [&](size_t c) { return percent[c]; }, [&](size_t c) { return widths[c]; });
        return widths;
    }
    if (rest <= plainMin) return widths;
    if (shares >= 1000) {
        // Nothing is left to spread: the plain columns stop at their maximum.
        std::vector<int> grow(n, 0);
        int room = 0;
        for (size_t c = 0; c < n; ++c)
            if (isPlain(c)) room += std::max(0, cols[c].Max - cols[c].Min);
        const int extra = std::min(rest - plainMin, room);
        share(grow, extra, isPlain, [&](size_t c) { return cols[c].Max - cols[c].Min; });
        for (size_t c = 0; c < n; ++c) widths[c] += grow[c];
        return widths;
    }
    // The plain columns share what is left in proportion to their maximums, each keeping
    // at least its minimum.
    std::vector<int> part(n, 0);
    share(part, rest, isPlain, [&](size_t c) { return cols[c].Max; });
    int below = 0;
    for (size_t c = 0; c < n; ++c)
        if (isPlain(c) && part[c] < cols[c].Min) below += cols[c].Min - part[c];
    for (size_t c = 0; c < n; ++c)
        if (isPlain(c)) widths[c] = std::max(cols[c].Min, part[c]);
    // What the narrow columns were raised by is taken back from the wider ones.
    for (size_t c = n; c-- > 0 && below > 0;)
        if (isPlain(c)) {
            const int give = std::min(below, widths[c] - cols[c].Min);
            widths[c] -= give;
            below -= give;
        }
    return widths;
}

} // namespace

void SpreadOverSpan(std::vector<int>& values, int first, int count, int need) {
    if (count <= 0 || first < 0 || first + count > static_cast<int>(values.size())) return;
    int sum = 0;
    for (int c = first; c < first + count; ++c) sum += values[static_cast<size_t>(c)];
    if (sum >= need) return;
    const std::vector<int> before(values.begin(), values.end());
    auto inSpan = [&](size_t c) { return static_cast<int>(c) >= first && static_cast<int>(c) < first + count; };
    share(values, need - sum, inSpan, [&](size_t c) { return before[c]; });
}

std::vector<int> ChooseColumnWidths(const std::vector<TColumnNeed>& columns, int width, bool fill) {
    const size_t n = columns.size();
    std::vector<int> widths(n);
    int totalMin = 0, totalMax = 0;
    bool anyShare = false;
    for (const TColumnNeed& c : columns) {
        totalMin += c.Min;
        totalMax += std::max(c.Min, c.Max);
        anyShare = anyShare || c.Share > 0;
    }
    auto maxOf = [&](size_t c) { return std::max(columns[c].Min, columns[c].Max); };
    if (totalMin >= width) {
        for (size_t c = 0; c < n; ++c) widths[c] = columns[c].Min;
        return widths;
    }
    if (anyShare) return percentWidths(columns, width, fill);
    if (width < totalMax && totalMax != totalMin) {
        for (size_t c = 0; c < n; ++c) widths[c] = columns[c].Min;
        share(widths, width - totalMin, [](size_t) { return true; },
              [&](size_t c) { return maxOf(c) - columns[c].Min; });
        return widths;
    }
    for (size_t c = 0; c < n; ++c) widths[c] = maxOf(c);
    if (fill && totalMax < width) share(widths, width - totalMax, [](size_t) { return true; }, maxOf);
    return widths;
}

} // namespace doc
