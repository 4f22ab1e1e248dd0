#include "platform/DevMode.h"

#include <cstring>

namespace {
constexpr char Magic[8] = {'P', 'L', 'K', 'C', 'U', 'P', 'S', '\0'};
}

DevMode::DevMode() : m_data(TotalSize, '\0')
{
    m_data[OffSpecVersion] = static_cast<char>(SpecVersion & 0xFF);
    m_data[OffSpecVersion + 1] = static_cast<char>(SpecVersion >> 8);
    SetS16(OffSize, PublicSize);
    SetS16(OffDriverExtra, PrivateSize);
    SetS16(OffDriverVersion, 1);
    std::memcpy(m_data.data() + OffMagic, Magic, sizeof Magic);
    SetS16(OffPrivateVersion, PrivateVersion);
}

DevMode::DevMode(const QString &deviceName) : DevMode()
{
    SetDeviceName(deviceName);
}

bool DevMode::FromBytes(const QByteArray &bytes)
{
    if (bytes.size() != TotalSize)
        return false;
    DevMode candidate;
    candidate.m_data = bytes;
    if (!candidate.IsValid())
        return false;
    m_data = bytes;
    return true;
}

bool DevMode::IsValid() const
{
    return m_data.size() == TotalSize && S16(OffSize) == PublicSize && S16(OffDriverExtra) == PrivateSize
           && std::memcmp(m_data.constData() + OffMagic, Magic, sizeof Magic) == 0
           && S16(OffPrivateVersion) == PrivateVersion;
}

QString DevMode::DeviceName() const
{
    return Text(OffDeviceName, 32);
}

void DevMode::SetDeviceName(const QString &name)
{
    SetText(OffDeviceName, 32, name);
}

int16_t DevMode::S16(int offset) const
{
    auto lo = static_cast<uint8_t>(m_data[offset]);
    auto hi = static_cast<uint8_t>(m_data[offset + 1]);
    return static_cast<int16_t>(static_cast<uint16_t>(lo | (hi << 8)));
}

void DevMode::SetS16(int offset, int16_t v)
{
    auto u = static_cast<uint16_t>(v);
    m_data[offset] = static_cast<char>(u & 0xFF);
    m_data[offset + 1] = static_cast<char>(u >> 8);
}

uint32_t DevMode::U32(int offset) const
{
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | static_cast<uint8_t>(m_data[offset + i]);
    return v;
}

void DevMode::SetU32(int offset, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        m_data[offset + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

QString DevMode::Text(int offset, int size) const
{
    const char *p = m_data.constData() + offset;
    int n = 0;
    while (n < size && p[n] != '\0')
        ++n;
    return QString::fromUtf8(p, n);
}

void DevMode::SetText(int offset, int size, const QString &v)
{
    // Always NUL-terminated; cut on a character boundary.
    QString text = v;
    QByteArray utf8 = text.toUtf8();
    while (utf8.size() > size - 1) {
        text.chop(1);
        utf8 = text.toUtf8();
    }
    std::memset(m_data.data() + offset, 0, static_cast<size_t>(size));
    std::memcpy(m_data.data() + offset, utf8.constData(), static_cast<size_t>(utf8.size()));
}
