#include "encoder.h"

#include <stdint.h>
#include <string.h>

#include "../../core/payload_format.h"

// Shortest body by dynamic programming over the input positions, going backwards. Among
// bodies of equal length the one with the fewest progress ticks wins: a token ticks when
// it ends on a multiple of TickBytes output bytes, and output offset equals input offset.
// Costs are (length << 32) + ticks, so comparing costs compares length first.
std::vector<unsigned char> EncodePayloadBody(const unsigned char* input, size_t size) {
    constexpr uint64_t LengthUnit = uint64_t{1} << 32;
    std::vector<uint64_t> cost(size + 1, 0);
    std::vector<uint32_t> choice(size + 1, 0); // 0 plain, 1..3 pattern, else run length
    std::vector<uint32_t> sameAhead(size + 1, 0);
    for (size_t i = size; i-- > 0;)
        sameAhead[i] = (i + 1 < size && input[i + 1] == input[i]) ? sameAhead[i + 1] + 1 : 1;
    auto tick = [](size_t end) { return end % TickBytes == 0 ? uint64_t{1} : uint64_t{0}; };
    for (size_t i = size; i-- > 0;) {
        uint64_t best = (input[i] == EscapeByte ? 2 : 1) * LengthUnit + tick(i + 1) + cost[i + 1];
        uint32_t how = 0;
        for (int k = 0; k < PatternCount; ++k) {
            if (i + PatternBytes <= size && memcmp(input + i, PayloadPatterns[k], PatternBytes) == 0) {
                uint64_t c = 2 * LengthUnit + tick(i + PatternBytes) + cost[i + PatternBytes];
                if (c < best) {
                    best = c;
                    how = static_cast<uint32_t>(k + 1);
                }
            }
        }
        uint32_t longest = sameAhead[i] < static_cast<uint32_t>(RunMaxLength) ? sameAhead[i] : RunMaxLength;
        for (uint32_t n = RunMinLength; n <= longest; ++n) {
            uint64_t c = 3 * LengthUnit + tick(i + n) + cost[i + n];
            if (c < best) {
                best = c;
                how = n;
            }
        }
        cost[i] = best;
        choice[i] = how;
    }
    std::vector<unsigned char> body;
    body.reserve(static_cast<size_t>(cost[0] / LengthUnit));
    for (size_t i = 0; i < size;) {
        uint32_t how = choice[i];
        if (how == 0) {
            if (input[i] == EscapeByte)
                body.insert(body.end(), {EscapeByte, EscapedLiteral});
            else
                body.push_back(input[i]);
            ++i;
        } else if (how <= static_cast<uint32_t>(PatternCount)) {
            body.insert(body.end(), {EscapeByte, static_cast<unsigned char>(how)});
            i += PatternBytes;
        } else {
            body.insert(body.end(), {EscapeByte, static_cast<unsigned char>(how), input[i]});
            i += how;
        }
    }
    return body;
}
