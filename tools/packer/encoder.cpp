#include "encoder.h"

#include <stdint.h>
#include <string.h>

#include "../../core/payload_format.h"

namespace {
// A cost is (body length << 32) + ticks, so comparing costs compares lengths first and
// ticks among bodies of equal length.
using Cost = uint64_t;
constexpr Cost LengthUnit = Cost{1} << 32;

// What the cheapest body from a position starts with: a plain byte (or its escape), one
// of the patterns (1 to PatternCount), or a run of that many bytes (RunMinLength and up).
using Choice = unsigned char;
constexpr Choice ChoicePlain = 0;
static_assert(PatternCount < RunMinLength && RunMaxLength <= 255, "a choice must tell patterns from runs");

// A token ending at this output offset ticks the progress bar. Output offsets equal input
// offsets, since the body decodes to the input.
inline Cost TickAt(size_t end) {
    return end % TickBytes == 0 ? 1 : 0;
}

// Minimum of cost[j] + TickAt(j) over the ends j that a run token from the current position
// may reach. Walking backwards through a run of equal bytes, the window of ends slides one
// to the left per position: a new end enters at i + RunMinLength, the end beyond
// i + RunMaxLength leaves. Values increase strictly from front (the oldest, farthest end)
// to back, so the front is the minimum; among equal values the nearer end stays, giving
// the shorter run.
struct RunWindow {
    static constexpr size_t Capacity = 256; // a power of two above the window's width
    size_t End[Capacity];
    Cost Value[Capacity];
    size_t Front = 0, Back = 0; // occupied slots are Front .. Back - 1, modulo Capacity
};
static_assert(RunWindow::Capacity > RunMaxLength - RunMinLength + 1, "the window must fit");

inline void ClearWindow(RunWindow* window) {
    window->Front = window->Back = 0;
}

inline void PushEnd(RunWindow* window, size_t end, Cost value) {
    constexpr size_t Mask = RunWindow::Capacity - 1;
    while (window->Back != window->Front && window->Value[(window->Back - 1) & Mask] >= value)
        --window->Back;
    window->End[window->Back & Mask] = end;
    window->Value[window->Back & Mask] = value;
    ++window->Back;
}

inline void DropEndsBeyond(RunWindow* window, size_t limit) {
    constexpr size_t Mask = RunWindow::Capacity - 1;
    while (window->End[window->Front & Mask] > limit)
        ++window->Front;
}

inline bool StartsPattern(const unsigned char* input, size_t size, size_t i, int pattern) {
    return input[i] == PayloadPatterns[pattern][0] && size - i >= static_cast<size_t>(PatternBytes) &&
           memcmp(input + i, PayloadPatterns[pattern], PatternBytes) == 0;
}
} // namespace

// Optimal parse by dynamic programming from the end of the input: cost[i] is the cheapest
// body for input[i..], choice[i] its first token.
std::vector<unsigned char> EncodePayloadBody(const unsigned char* input, size_t size) {
    std::vector<Cost> cost(size + 1, 0);
    std::vector<Choice> choice(size, ChoicePlain);
    RunWindow window;
    size_t runEnd = size; // one past the last byte equal to input[i] in a row
    for (size_t i = size; i-- > 0;) {
        if (i + 1 < size && input[i + 1] != input[i]) {
            runEnd = i + 1;
            ClearWindow(&window);
        }
        Cost best = (input[i] == EscapeByte ? 2 : 1) * LengthUnit + TickAt(i + 1) + cost[i + 1];
        Choice how = ChoicePlain;
        for (int k = 0; k < PatternCount; ++k) {
            if (StartsPattern(input, size, i, k)) {
                Cost c = 2 * LengthUnit + TickAt(i + PatternBytes) + cost[i + PatternBytes];
                if (c < best) {
                    best = c;
                    how = static_cast<Choice>(k + 1);
                }
            }
        }
        if (runEnd - i >= static_cast<size_t>(RunMinLength)) {
            size_t end = i + RunMinLength;
            PushEnd(&window, end, cost[end] + TickAt(end));
            DropEndsBeyond(&window, i + RunMaxLength);
            Cost c = 3 * LengthUnit + window.Value[window.Front & (RunWindow::Capacity - 1)];
            if (c < best) {
                best = c;
                how = static_cast<Choice>(window.End[window.Front & (RunWindow::Capacity - 1)] - i);
            }
        }
        cost[i] = best;
        choice[i] = how;
    }

    std::vector<unsigned char> body;
    body.reserve(static_cast<size_t>(cost[0] / LengthUnit));
    for (size_t i = 0; i < size;) {
        Choice how = choice[i];
        if (how == ChoicePlain) {
            if (input[i] == EscapeByte)
                body.insert(body.end(), {EscapeByte, EscapedLiteral});
            else
                body.push_back(input[i]);
            ++i;
        } else if (how <= PatternCount) {
            body.insert(body.end(), {EscapeByte, how});
            i += PatternBytes;
        } else {
            body.insert(body.end(), {EscapeByte, how, input[i]});
            i += how;
        }
    }
    return body;
}
