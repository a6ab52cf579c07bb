// A whole file in memory, owned, followed by one NUL byte so that text
// readers may stop at it.
#pragma once

#include <cstddef>
#include <memory>
#include <span>
#include <string_view>

class FileBuffer {
public:
    FileBuffer() = default;
    // Storage for n bytes plus the terminator; the bytes are not initialised.
    bool Allocate(std::size_t n);
    void Reset() {
        m_data.reset();
        m_size = 0;
    }
    // Sets the number of valid bytes (at most the allocation) and writes the NUL.
    void SetSize(std::size_t n);

    char* data() { return m_data.get(); }
    const char* data() const { return m_data.get(); }
    std::size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    std::string_view text() const { return {m_data.get(), m_size}; }
    std::span<const unsigned char> bytes() const {
        return {reinterpret_cast<const unsigned char*>(m_data.get()), m_size};
    }

private:
    std::unique_ptr<char[]> m_data;
    std::size_t m_capacity = 0;
    std::size_t m_size = 0;
};
