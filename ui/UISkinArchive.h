// A zip archive read from memory with libzip; every entry may be encrypted with one password.
#pragma once

#include <QByteArray>
#include <QString>
#include <memory>

struct zip;

namespace DuiLib {

class CSkinArchive {
public:
    ~CSkinArchive();
    CSkinArchive(const CSkinArchive&) = delete;
    CSkinArchive& operator=(const CSkinArchive&) = delete;

    // Opens the archive and reads one entry through to its checksum with the password, so a
    // wrong password is refused here rather than on first use. nullptr when refused.
    static std::unique_ptr<CSkinArchive> Open(const void* data, std::size_t size,
                                              const QString& password);
    bool Read(const QString& path, QByteArray& out) const;
    bool Contains(const QString& path) const;
    int GetEntryCount() const;

private:
    CSkinArchive() = default;
    static QByteArray NormalizePath(const QString& path);

    QByteArray m_data;  // libzip reads from this buffer
    zip* m_pZip = nullptr;
};

}  // namespace DuiLib
