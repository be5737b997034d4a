// Scanning plain text at memory speed: the lexer keeps at most 199
// characters of a run of white space and 1023 of a token, so a stretch of
// text whose runs are all well below those limits reads, token by token,
// exactly as it is written. The scan finds the next "<" that its caller
// cannot step over and watches the runs on the way, so that the caller can
// copy such a stretch in one piece and read only the rest token by token.
#pragma once
#include <cstddef>
#include <emmintrin.h>

namespace kavr {

inline bool IsLexerSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// Watches the runs of a stretch 16 characters at a time: a run long
// enough to be cut covers many whole blocks of 16 that are all white space
// (or all not), so counting such blocks in a row is enough. The count errs
// only towards calling a stretch unclean, which costs a slower reading and
// never a different one.
struct RunWatch {
    // 9 blocks in a row of white space come from a run of at least 144, 50
    // of other characters from one of at least 800; a run of 174 or of 930
    // (below the limits of 199 and 1023) always gives them.
    static constexpr unsigned kWhitespaceBlocks = 9;
    static constexpr unsigned kWordBlocks = 50;

    unsigned ws_blocks = 0, word_blocks = 0;
    bool clean = true;  // no run came near a limit of the lexer

    void take(unsigned ws_bits) {
        if (ws_bits == 0) {
            ws_blocks = 0;
            if (++word_blocks >= kWordBlocks) clean = false;
        } else if (ws_bits == 0xFFFFu) {
            word_blocks = 0;
            if (++ws_blocks >= kWhitespaceBlocks) clean = false;
        } else {
            ws_blocks = word_blocks = 0;
        }
    }
};

namespace plain_scan_detail {

inline unsigned whitespace_bits(__m128i v) {
    const __m128i sp = _mm_set1_epi8(' '), nl = _mm_set1_epi8('\n'), tab = _mm_set1_epi8('\t'),
                  cr = _mm_set1_epi8('\r');
    return static_cast<unsigned>(
        _mm_movemask_epi8(_mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, sp), _mm_cmpeq_epi8(v, nl)),
                                       _mm_or_si128(_mm_cmpeq_epi8(v, tab), _mm_cmpeq_epi8(v, cr)))));
}

}  // namespace plain_scan_detail

// The position in [from, end) of s of the first "<" for which
// steps_over(position) is false, or end. The characters from `from` on are
// watched in blocks of 16 (the last one padded with an ordinary
// character). Once the watch is no longer clean the scan stops early, at
// some position.
template <typename StepsOver>
size_t ScanToTag(const char* s, size_t at, size_t end, RunWatch& w, StepsOver steps_over) {
    const __m128i lt = _mm_set1_epi8('<');
    char tail[16];
    while (at < end) {
        __m128i v;
        unsigned valid = 0xFFFFu;
        if (end - at >= 16) {
            v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + at));
        } else {
            for (size_t i = 0; i < 16; ++i) tail[i] = at + i < end ? s[at + i] : 'x';
            v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(tail));
            valid = (1u << (end - at)) - 1;
        }
        w.take(plain_scan_detail::whitespace_bits(v));
        if (!w.clean) return at;
        unsigned found = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, lt))) & valid;
        for (; found; found &= found - 1) {
            size_t pos = at + static_cast<unsigned>(__builtin_ctz(found));
            if (!steps_over(pos)) return pos;
        }
        at += 16;
    }
    return end;
}

// A "<" at lt that starts no tag of the interpreter's table and reads as
// written: "<" or "</" followed (before end) by a letter other than "k".
inline bool IsOrdinaryTag(const char* s, size_t lt, size_t end) {
    size_t at = lt + 1;
    if (at < end && s[at] == '/') ++at;
    if (at >= end) return false;
    char c = s[at];
    return ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) && c != 'k' && c != 'K';
}

// The number of white space characters that end [from, end) of s.
inline size_t TrailingWhitespace(const char* s, size_t from, size_t end) {
    size_t n = 0;
    while (end - n > from && IsLexerSpace(s[end - n - 1])) ++n;
    return n;
}

}  // namespace kavr
