#include "studymaterials.h"

#include "core/formats/studydesign.h"
#include "core/model/projectmodel.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <openssl/evp.h>

#include <algorithm>
#include <memory>

namespace StudyMaterials {

QStringList listedSources(const ProjectModel &model)
{
    QStringList sources;
    for (const ProjectNode *node : model.preOrder()) {
        if (node->kind == ProjectNode::File)
            sources.append(ProjectModel::relativePath(node));
    }
    return sources;
}

QStringList files(const StudyDesign &design, const QStringList &listedSources)
{
    QStringList ordered{QStringLiteral("model.m"), QStringLiteral("annotations.xml"),
                        QStringLiteral("questions.txt"), StudyDesign::FileName};
    QSet<QString> taken(ordered.cbegin(), ordered.cend());
    for (const StudyCondition &condition : design.conditions) {
        if (!condition.assignment.isEmpty() && !taken.contains(condition.assignment)) {
            ordered.append(condition.assignment);
            taken.insert(condition.assignment);
        }
    }
    QList<QByteArray> sources;
    for (const QString &source : listedSources) {
        if (!taken.contains(source)) {
            sources.append(source.toUtf8());
            taken.insert(source);
        }
    }
    std::sort(sources.begin(), sources.end());
    for (const QByteArray &source : std::as_const(sources))
        ordered.append(QString::fromUtf8(source));
    return ordered;
}

namespace {

// SHA-256 through OpenSSL, which uses the processor's SHA instructions where
// it has them.
class Sha256
{
public:
    Sha256() : m_context(EVP_MD_CTX_new(), EVP_MD_CTX_free)
    {
        m_ok = m_context && EVP_DigestInit_ex(m_context.get(), EVP_sha256(), nullptr) == 1;
    }

    void addData(QByteArrayView bytes)
    {
        m_ok = m_ok && EVP_DigestUpdate(m_context.get(), bytes.data(), std::size_t(bytes.size())) == 1;
    }

    // The digest as lower-case hexadecimal digits; empty when OpenSSL failed.
    QString hexResult()
    {
        unsigned char digest[EVP_MAX_MD_SIZE];
        unsigned int size = 0;
        if (!m_ok || EVP_DigestFinal_ex(m_context.get(), digest, &size) != 1)
            return QString();
        return QString::fromLatin1(
            QByteArray(reinterpret_cast<const char *>(digest), int(size)).toHex());
    }

private:
    std::unique_ptr<EVP_MD_CTX, void (*)(EVP_MD_CTX *)> m_context;
    bool m_ok = false;
};

} // namespace

QString hash(const QString &folder, const QStringList &files)
{
    Sha256 sha;
    for (const QString &path : files) {
        sha.addData(path.toUtf8() + '\n');
        QFile file(folder + QLatin1Char('/') + path);
        if (!QFileInfo(file.fileName()).isFile() || !file.open(QIODevice::ReadOnly)) {
            sha.addData(QByteArrayView("missing\n"));
            continue;
        }
        // Read whole, so the length written is the length of what is hashed.
        const QByteArray bytes = file.readAll();
        sha.addData(QByteArray::number(bytes.size()) + '\n');
        sha.addData(bytes);
    }
    return sha.hexResult();
}

} // namespace StudyMaterials
