#pragma once
// A set over the ordinals of an enumeration, as the component interfaces use them.
#include <bitset>
#include <initializer_list>

template <class E, int Size = 32> class TSet {
public:
    constexpr TSet() = default;
    constexpr TSet(std::initializer_list<E> members)
    {
        for (E member : members)
            Include(member);
    }
    bool Contains(E member) const { return FBits.test(size_t(member)); }
    TSet& Include(E member)
    {
        FBits.set(size_t(member));
        return *this;
    }
    TSet& Exclude(E member)
    {
        FBits.reset(size_t(member));
        return *this;
    }
    bool IsEmpty() const { return FBits.none(); }
    friend bool operator==(const TSet&, const TSet&) = default;
    TSet operator+(const TSet& other) const
    {
        TSet result = *this;
        result.FBits |= other.FBits;
        return result;
    }
    TSet operator-(const TSet& other) const
    {
        TSet result = *this;
        result.FBits &= ~other.FBits;
        return result;
    }

private:
    std::bitset<Size> FBits;
};
