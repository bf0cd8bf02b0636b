// A set of enumeration members as a bit set.
#pragma once

#include "platform/rtl/Exception.h"

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <type_traits>

namespace rtl {

// A set of members of an enumeration whose values lie in 0..Size-1 (at most 256 members):
//   Set<TOption> s{opA, opC};  s.Include(opB);  s.Contains(opA);  s + t;  s * t;  s - t;
template <class E, std::size_t Size = 256>
    requires std::is_enum_v<E>
class Set {
    static_assert(Size >= 1 && Size <= 256, "a set holds at most 256 members");
    static constexpr std::size_t kWords = (Size + 63) / 64;

public:
    constexpr Set() = default;
    constexpr Set(std::initializer_list<E> members) {
        for (E e : members)
            Include(e);
    }

    constexpr Set& Include(E e) {
        words_[Word(e)] |= Bit(e);
        return *this;
    }
    constexpr Set& Exclude(E e) {
        words_[Word(e)] &= ~Bit(e);
        return *this;
    }
    constexpr bool Contains(E e) const { return (words_[Word(e)] & Bit(e)) != 0; }

    constexpr bool Empty() const {
        for (auto w : words_)
            if (w) return false;
        return true;
    }
    constexpr std::size_t Count() const {
        std::size_t n = 0;
        for (auto w : words_)
            n += static_cast<std::size_t>(std::popcount(w));
        return n;
    }
    constexpr void Clear() { words_ = {}; }

    // Union, intersection and difference.
    constexpr Set& operator+=(const Set& other) {
        for (std::size_t i = 0; i < kWords; ++i)
            words_[i] |= other.words_[i];
        return *this;
    }
    constexpr Set& operator*=(const Set& other) {
        for (std::size_t i = 0; i < kWords; ++i)
            words_[i] &= other.words_[i];
        return *this;
    }
    constexpr Set& operator-=(const Set& other) {
        for (std::size_t i = 0; i < kWords; ++i)
            words_[i] &= ~other.words_[i];
        return *this;
    }
    friend constexpr Set operator+(Set a, const Set& b) { return a += b; }
    friend constexpr Set operator*(Set a, const Set& b) { return a *= b; }
    friend constexpr Set operator-(Set a, const Set& b) { return a -= b; }

    constexpr bool operator==(const Set&) const = default;
    // Every member of this set is in the other.
    constexpr bool SubsetOf(const Set& other) const { return (*this - other).Empty(); }

private:
    static constexpr std::size_t Index(E e) {
        // A negative value turns into a huge unsigned one and fails the same check.
        const auto i = static_cast<std::make_unsigned_t<std::underlying_type_t<E>>>(e);
        if (i >= Size) AssertionFailed("Set member out of range", __FILE__, __LINE__);
        return i;
    }
    static constexpr std::size_t Word(E e) { return Index(e) / 64; }
    static constexpr uint64_t Bit(E e) { return uint64_t{1} << (Index(e) % 64); }

    std::array<uint64_t, kWords> words_{};
};

} // namespace rtl
