// The saved fuzzing inputs through the fuzz target's entry: a reader that
// crashes or breaks its round trip on one of them fails the test.
#include <QDir>

int fuzz_readers(const uint8_t *data, size_t size);

int main(int, char **argv)
{
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    const QStringList names = dir.entryList(QDir::Files);
    for (const QString &name : names) {
        QFile file(dir.filePath(name));
        const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        fuzz_readers(reinterpret_cast<const uint8_t *>(bytes.constData()), size_t(bytes.size()));
    }
    return names.size() < 6 ? 1 : 0;
}
