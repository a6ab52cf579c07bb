// A bounded little-endian reader over bytes in memory, for the binary
// formats. No read can pass the end: a read that does not fit fails, and the
// failure sticks (every later read fails too) and remembers where it
// happened, so a reader checks once per record, not after every field.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

class ByteCursor {
public:
    explicit ByteCursor(std::span<const unsigned char> data) : m_data(data) {}

    bool Get8(std::uint8_t& v) {
        if (!Need(1)) return false;
        v = m_data[m_pos++];
        return true;
    }
    bool Get16le(std::uint16_t& v) {
        if (!Need(2)) return false;
        v = static_cast<std::uint16_t>(m_data[m_pos] | (m_data[m_pos + 1] << 8));
        m_pos += 2;
        return true;
    }
    bool Get32le(std::uint32_t& v) {
        if (!Need(4)) return false;
        v = static_cast<std::uint32_t>(m_data[m_pos]) | (static_cast<std::uint32_t>(m_data[m_pos + 1]) << 8) |
            (static_cast<std::uint32_t>(m_data[m_pos + 2]) << 16) |
            (static_cast<std::uint32_t>(m_data[m_pos + 3]) << 24);
        m_pos += 4;
        return true;
    }
    bool GetF32le(float& v) {
        std::uint32_t bits = 0;
        if (!Get32le(bits)) return false;
        std::memcpy(&v, &bits, 4);
        return true;
    }
    bool Skip(std::size_t n) {
        if (!Need(n)) return false;
        m_pos += n;
        return true;
    }
    // A view of the next n bytes, consumed.
    bool Bytes(std::size_t n, std::span<const unsigned char>& out) {
        if (!Need(n)) return false;
        out = m_data.subspan(m_pos, n);
        m_pos += n;
        return true;
    }
    // Moves to an absolute offset (at most the end).
    bool Seek(std::size_t offset) {
        if (m_failed || offset > m_data.size()) return Fail();
        m_pos = offset;
        return true;
    }

    std::size_t Offset() const { return m_pos; }
    std::size_t Remaining() const { return m_failed ? 0 : m_data.size() - m_pos; }
    bool Failed() const { return m_failed; }
    // Where the first failing read started.
    std::size_t FailOffset() const { return m_failOffset; }

private:
    bool Need(std::size_t n) {
        if (m_failed || n > m_data.size() - m_pos) return Fail();
        return true;
    }
    bool Fail() {
        if (!m_failed) m_failOffset = m_pos;
        m_failed = true;
        return false;
    }

    std::span<const unsigned char> m_data;
    std::size_t m_pos = 0;
    std::size_t m_failOffset = 0;
    bool m_failed = false;
};
