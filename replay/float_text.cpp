#include "replay/float_text.h"

#include <bit>
#include <cstdint>
#include <cstring>

namespace {

// An unsigned integer of up to 320 bits: enough for a float's digits times
// any power of ten or two that the comparisons below need.
struct Big {
    static constexpr int kLimbs = 10;
    uint32_t limb[kLimbs] = {}; // least significant first

    explicit Big(uint64_t v) {
        limb[0] = static_cast<uint32_t>(v);
        limb[1] = static_cast<uint32_t>(v >> 32);
    }
    void multiply(uint32_t factor) {
        uint64_t carry = 0;
        for (uint32_t& l : limb) {
            uint64_t p = static_cast<uint64_t>(l) * factor + carry;
            l = static_cast<uint32_t>(p);
            carry = p >> 32;
        }
    }
    void multiplyByPowerOf5(int q) {
        constexpr uint32_t kFive13 = 1220703125; // 5^13
        for (; q >= 13; q -= 13)
            multiply(kFive13);
        uint32_t rest = 1;
        for (; q > 0; --q)
            rest *= 5;
        multiply(rest);
    }
    void shiftLeft(int bits) {
        int words = bits / 32;
        int shift = bits % 32;
        for (int i = kLimbs - 1; i >= 0; --i) {
            uint64_t high = i - words >= 0 ? limb[i - words] : 0;
            uint64_t low = i - words - 1 >= 0 ? limb[i - words - 1] : 0;
            uint64_t both = (high << 32 | low) << shift;
            limb[i] = static_cast<uint32_t>(both >> 32);
        }
    }
};

int compare(const Big& a, const Big& b) {
    for (int i = Big::kLimbs - 1; i >= 0; --i)
        if (a.limb[i] != b.limb[i]) return a.limb[i] < b.limb[i] ? -1 : 1;
    return 0;
}

// The sign of d * 10^k - c * 2^f, exactly.
int compareScaled(uint64_t d, int k, uint64_t c, int f) {
    Big left(d);
    Big right(c);
    if (k >= 0) {
        left.multiplyByPowerOf5(k);
    } else {
        right.multiplyByPowerOf5(-k);
    }
    if (k - f >= 0) {
        left.shiftLeft(k - f);
    } else {
        right.shiftLeft(f - k);
    }
    return compare(left, right);
}

// A positive finite float as m * 2^e, with the bounds of the numbers that
// read back as it: (lowC * 2^lowF, highC * 2^highF), ends included when m
// is even (reading rounds ties to the even neighbour).
struct Binary {
    uint64_t m;
    int e;
    uint64_t lowC;
    int lowF;
    uint64_t highC;
    int highF;
    bool endsIncluded;
};

Binary binaryOf(uint32_t bits) {
    uint32_t fraction = bits & 0x7FFFFFu;
    int biased = static_cast<int>(bits >> 23 & 0xFFu);
    Binary b{};
    b.m = biased == 0 ? fraction : fraction | 0x800000u;
    b.e = (biased == 0 ? 1 : biased) - 150;
    b.highC = 2 * b.m + 1;
    b.highF = b.e - 1;
    // At a power of two the gap below is half the gap above.
    if (fraction == 0 && biased > 1) {
        b.lowC = 4 * b.m - 1;
        b.lowF = b.e - 2;
    } else {
        b.lowC = 2 * b.m - 1;
        b.lowF = b.e - 1;
    }
    b.endsIncluded = b.m % 2 == 0;
    return b;
}

// A starting guess for floor(v / 10^k); exactness comes after.
uint64_t quotientGuess(float v, int k) {
    double scale = 1.0;
    for (int i = 0; i < (k < 0 ? -k : k); ++i)
        scale *= 10.0;
    double q = k < 0 ? static_cast<double>(v) * scale : static_cast<double>(v) / scale;
    return q < 1.0 ? 0 : static_cast<uint64_t>(q);
}

// The shortest digits that read back as the value, and among those the
// nearest (ties to even): value = digits * 10^exponent.
void shortestDigits(const Binary& b, float v, uint64_t& digits, int& exponent) {
    // The power of ten at or below the value.
    int bitsBelow = b.e + static_cast<int>(std::bit_width(b.m)) - 1;
    int p = bitsBelow >= 0 ? bitsBelow * 1233 / 4096 : -((-bitsBelow * 1233 + 4095) / 4096);
    while (compareScaled(1, p + 1, b.m, b.e) <= 0)
        ++p;
    while (compareScaled(1, p, b.m, b.e) > 0)
        --p;
    // Nine digits always read back as a float.
    for (int n = 1; n <= 9; ++n) {
        int k = p - n + 1;
        uint64_t d = quotientGuess(v, k);
        while (compareScaled(d + 1, k, b.m, b.e) <= 0)
            ++d;
        while (d > 0 && compareScaled(d, k, b.m, b.e) > 0)
            --d;
        int low = compareScaled(d, k, b.lowC, b.lowF);
        int high = compareScaled(d + 1, k, b.highC, b.highF);
        bool downFits = low > 0 || (low == 0 && b.endsIncluded);
        bool upFits = high < 0 || (high == 0 && b.endsIncluded);
        if (!downFits && !upFits) continue;
        if (downFits && upFits) {
            // Twice the value against the midpoint of the two.
            int mid = compareScaled(2 * d + 1, k, b.m, b.e + 1);
            upFits = mid < 0 || (mid == 0 && d % 2 == 1);
        }
        digits = upFits ? d + 1 : d;
        exponent = k;
        while (digits % 10 == 0) {
            digits /= 10;
            ++exponent;
        }
        return;
    }
}

// The value when it is a whole number below 2^64 (m * 2^e), else 0.
uint64_t wholeValue(const Binary& b) {
    if (b.e >= 40) return 0;
    return b.e >= 0 ? b.m << b.e : b.m >> -b.e;
}

int decimalLength(uint64_t v) {
    int n = 1;
    while (v >= 10) {
        v /= 10;
        ++n;
    }
    return n;
}

// Appends the text if it fits; the result stays nullptr once anything did not.
struct Out {
    char* at;
    char* last;
    void put(char c) {
        if (at && at < last) {
            *at++ = c;
        } else {
            at = nullptr;
        }
    }
    void put(const char* s) {
        while (*s)
            put(*s++);
    }
    void putDigits(uint64_t v, int count) {
        char text[24];
        for (int i = count - 1; i >= 0; --i) {
            text[i] = static_cast<char>('0' + v % 10);
            v /= 10;
        }
        for (int i = 0; i < count; ++i)
            put(text[i]);
    }
};

} // namespace

char* shortestFloatText(char* first, char* last, float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    Out out{first, last};
    if (bits >> 31) out.put('-');
    bits &= 0x7FFFFFFFu;
    if (bits > 0x7F800000u) {
        out.put("nan");
        return out.at;
    }
    if (bits == 0x7F800000u) {
        out.put("inf");
        return out.at;
    }
    if (bits == 0) {
        out.put('0');
        return out.at;
    }
    float v;
    std::memcpy(&v, &bits, sizeof v);
    Binary b = binaryOf(bits);
    uint64_t digits = 0;
    int exponent = 0;
    shortestDigits(b, v, digits, exponent);
    int n = decimalLength(digits);
    int lead = exponent + n - 1; // the power of ten of the first digit

    // Scientific: d[.ddd]e+XX, the exponent in two digits at least.
    int magnitude = lead < 0 ? -lead : lead;
    int scientificLength = n + (n > 1 ? 1 : 0) + 2 + (magnitude >= 100 ? 3 : 2);
    // Fixed: a whole number is written exactly (the nearest text of that
    // length); otherwise the digits around the point.
    int fixedLength;
    if (exponent >= 0) {
        uint64_t whole = wholeValue(b);
        fixedLength = whole == 0 ? 99 : decimalLength(whole);
    } else if (lead >= 0) {
        fixedLength = n + 1;
    } else {
        fixedLength = n + 1 - lead;
    }

    if (fixedLength <= scientificLength) {
        if (exponent >= 0) {
            uint64_t whole = wholeValue(b);
            out.putDigits(whole, decimalLength(whole));
        } else if (lead >= 0) {
            int fraction = -exponent;
            uint64_t scale = 1;
            for (int i = 0; i < fraction; ++i)
                scale *= 10;
            out.putDigits(digits / scale, lead + 1);
            out.put('.');
            out.putDigits(digits % scale, fraction);
        } else {
            out.put("0.");
            for (int i = 0; i < -lead - 1; ++i)
                out.put('0');
            out.putDigits(digits, n);
        }
        return out.at;
    }
    char text[24];
    for (int i = n - 1; i >= 0; --i) {
        text[i] = static_cast<char>('0' + digits % 10);
        digits /= 10;
    }
    out.put(text[0]);
    if (n > 1) {
        out.put('.');
        for (int i = 1; i < n; ++i)
            out.put(text[i]);
    }
    out.put('e');
    out.put(lead < 0 ? '-' : '+');
    out.putDigits(static_cast<uint64_t>(magnitude), magnitude >= 100 ? 3 : 2);
    return out.at;
}
