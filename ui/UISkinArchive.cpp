#include "ui/UISkinArchive.h"

#include <zip.h>

namespace DuiLib {

CSkinArchive::~CSkinArchive() {
    if (m_pZip) zip_discard(m_pZip);
}

QByteArray CSkinArchive::NormalizePath(const QString& path) {
    QString p = path;
    p.replace(QLatin1Char('\\'), QLatin1Char('/'));
    while (p.startsWith(QLatin1Char('/'))) p.remove(0, 1);
    return p.toUtf8();
}

std::unique_ptr<CSkinArchive> CSkinArchive::Open(const void* data, std::size_t size,
                                                 const QString& password) {
    if (!data || size == 0) return nullptr;
    std::unique_ptr<CSkinArchive> archive(new CSkinArchive);
    archive->m_data = QByteArray(static_cast<const char*>(data), static_cast<qsizetype>(size));
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* src = zip_source_buffer_create(
        archive->m_data.constData(), static_cast<zip_uint64_t>(archive->m_data.size()), 0, &error);
    if (!src) {
        zip_error_fini(&error);
        return nullptr;
    }
    archive->m_pZip = zip_open_from_source(src, ZIP_RDONLY, &error);
    zip_error_fini(&error);
    if (!archive->m_pZip) {
        zip_source_free(src);
        return nullptr;
    }
    if (zip_set_default_password(archive->m_pZip, password.toUtf8().constData()) != 0) {
        return nullptr;
    }
    // Prove the password on the first file entry: the header check byte alone passes one wrong
    // password in 256, reading to the end checks the CRC as well.
    const zip_int64_t count = zip_get_num_entries(archive->m_pZip, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        const char* name = zip_get_name(archive->m_pZip, static_cast<zip_uint64_t>(i), 0);
        if (!name || QByteArray(name).endsWith('/')) continue;
        QByteArray content;
        if (!archive->Read(QString::fromUtf8(name), content)) return nullptr;
        break;
    }
    return archive;
}

bool CSkinArchive::Read(const QString& path, QByteArray& out) const {
    out.clear();
    if (!m_pZip) return false;
    const QByteArray name = NormalizePath(path);
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat(m_pZip, name.constData(), ZIP_FL_ENC_GUESS, &st) != 0) return false;
    if (!(st.valid & ZIP_STAT_SIZE) || st.size > (1u << 28)) return false;
    zip_file_t* file = zip_fopen(m_pZip, name.constData(), ZIP_FL_ENC_GUESS);
    if (!file) return false;
    QByteArray buffer(static_cast<qsizetype>(st.size), Qt::Uninitialized);
    zip_int64_t total = 0;
    const auto size = static_cast<zip_int64_t>(st.size);
    while (total < size) {
        const zip_int64_t n =
            zip_fread(file, buffer.data() + total, static_cast<zip_uint64_t>(size - total));
        if (n <= 0) break;
        total += n;
    }
    // One more read lets libzip compare the CRC at the end of the entry.
    char probe;
    const bool ok = total == size && zip_fread(file, &probe, 1) == 0;
    zip_fclose(file);
    if (!ok) return false;
    out = buffer;
    return true;
}

bool CSkinArchive::Contains(const QString& path) const {
    return m_pZip &&
           zip_name_locate(m_pZip, NormalizePath(path).constData(), ZIP_FL_ENC_GUESS) >= 0;
}

int CSkinArchive::GetEntryCount() const {
    return m_pZip ? static_cast<int>(zip_get_num_entries(m_pZip, 0)) : 0;
}

}  // namespace DuiLib
