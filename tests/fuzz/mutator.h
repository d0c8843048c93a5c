#pragma once
// Mutations of seed inputs: bit flips, byte runs, truncation, splices of two seeds,
// duplicated regions, erased regions, swapped numbers, the tokens of the input's format and
// deep nesting of its tags.
// Everything is driven by one small random generator, so a (seed, index) pair always
// yields the same input.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// SplitMix64: tiny, fast and good enough to pick mutations; no library state involved.
class Rng {
public:
    explicit Rng(std::uint64_t seed) : m_state(seed) {}
    std::uint64_t Next();
    // Uniform in [0, bound); 0 when bound is 0.
    std::size_t Below(std::size_t bound) { return bound ? static_cast<std::size_t>(Next() % bound) : 0; }
    bool OneIn(std::size_t n) { return Below(n) == 0; }
    // Mostly short (1..8), sometimes anything up to max, spread evenly over the orders of
    // magnitude: long runs are what overflow counters and recursion.
    std::size_t RunLength(std::size_t max);
    // 1..max, spread evenly over the orders of magnitude.
    std::size_t LongRun(std::size_t max);

    template <typename T>
    const T& Pick(const std::vector<T>& items) {
        return items[Below(items.size())];
    }

private:
    std::uint64_t m_state;
};

// The words of a format worth inserting whole: tags, attribute names, markup, numbers.
using Tokens = std::vector<std::string>;

// Numbers at the edges of the integer types, and texts that only look like numbers.
const Tokens& InterestingNumbers();
// The markup every XML reader must survive: comments, CDATA, entities, declarations,
// "%" sequences for the message formatter, broken UTF-8.
const Tokens& XmlTokens();

struct MutationLimits {
    std::size_t maxSize = 1 << 20;          // no input grows beyond this
    std::size_t maxRun = 200000;            // longest run of one byte or token
    std::size_t maxStacked = 8;             // mutations applied to one input, at most
    std::uint32_t maxPictureSide = 0xFFFF;  // largest width or height written into a picture header
};

class Mutator {
public:
    explicit Mutator(MutationLimits limits) : m_limits(limits) {}

    // data with 1..maxStacked mutations; other is a second seed for splices.
    std::string Mutate(std::string data, const std::string& other, const Tokens& tokens, Rng& rng) const;
    // Exactly one mutation.
    void MutateOnce(std::string& data, const std::string& other, const Tokens& tokens, Rng& rng) const;

    const MutationLimits& Limits() const { return m_limits; }

private:
    void FlipBits(std::string& data, Rng& rng) const;
    void ByteRun(std::string& data, Rng& rng) const;
    void Truncate(std::string& data, Rng& rng) const;
    void Splice(std::string& data, const std::string& other, Rng& rng) const;
    void Duplicate(std::string& data, Rng& rng) const;
    void Erase(std::string& data, Rng& rng) const;
    void InsertToken(std::string& data, const Tokens& tokens, Rng& rng) const;
    void SwapNumber(std::string& data, Rng& rng) const;
    // Opening tags of the format, many levels deep, with a filler between the levels.
    void Nest(std::string& data, const Tokens& tokens, Rng& rng) const;
    // Inserts (or overwrites with) piece repeated count times, within maxSize.
    void Place(std::string& data, const std::string& piece, std::size_t count, Rng& rng) const;

    MutationLimits m_limits;
};
