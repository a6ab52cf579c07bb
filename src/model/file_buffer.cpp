#include "model/file_buffer.h"

#include <new>

bool FileBuffer::Allocate(std::size_t n) {
    Reset();
    if (n == static_cast<std::size_t>(-1)) return false;
    m_data.reset(new (std::nothrow) char[n + 1]);
    if (!m_data) return false;
    m_capacity = n;
    m_data[0] = 0;
    return true;
}

void FileBuffer::SetSize(std::size_t n) {
    if (!m_data) return;
    m_size = n < m_capacity ? n : m_capacity;
    m_data[m_size] = 0;
}
