#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QIODevice>
#include <QString>

#include <functional>

// Every file the program saves goes through here, so that a save either puts a
// whole new file in place or leaves the old one exactly as it was. The data goes
// to a temporary file in the same folder; every write is checked, the data is
// synced to the disk and only then renamed over the old file. Any failure
// removes the temporary file and is described in words.
//
//   AtomicSaveFile file(path);
//   if (!file.open(QIODevice::WriteOnly)) ... file.errorString()
//   file.write(bytes);             // a failed write is remembered; commit() reports it
//   if (!file.commit()) ... file.errorString()
//
// A symbolic link is followed: the file it points to is replaced and the link
// stays. An existing file keeps its permission bits. A file whose owner may not
// write it (read-only), a folder or a device in the file's place is refused.
class AtomicSaveFile : public QIODevice
{
public:
    explicit AtomicSaveFile(const QString &fileName);
    // Discards an uncommitted save.
    ~AtomicSaveFile() override;
    AtomicSaveFile(const AtomicSaveFile &) = delete;
    AtomicSaveFile &operator=(const AtomicSaveFile &) = delete;

    QString fileName() const { return m_fileName; }

    // Creates the temporary file; mode must be WriteOnly.
    bool open(OpenMode mode) override;
    // Writes what is buffered, syncs, and renames over the old file. False (with
    // the temporary file gone and the old file untouched) after any failure.
    bool commit();
    // Drops the temporary file; the old file stays.
    void close() override;

    // errno of the first failure, 0 while all went well.
    int errorCode() const { return m_errorCode; }

    bool isSequential() const override { return false; }
    qint64 size() const override { return m_size; }
    bool seek(qint64 pos) override;

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *data, qint64 size) override;

private:
    bool fail(int code, const QString &text = QString());
    bool flushBuffer();
    bool writeRaw(const char *data, qint64 size);
    void discard();

    QString m_fileName;
    QByteArray m_target;    // the file that is replaced (a link resolved)
    QByteArray m_temporary; // empty when there is none
    int m_fd = -1;
    int m_errorCode = 0;
    QString m_errorText;
    bool m_keepMode = false;
    unsigned m_mode = 0;
    QByteArray m_buffer;
    qint64 m_bufferStart = 0; // file offset of m_buffer's first byte
    qint64 m_size = 0;
};

// Saves data as one file; false with error set in words when it could not.
bool SaveFileAtomically(const QString &fileName, QByteArrayView data, QString &error);

// The reason a save of fileName failed with errno code, as a sentence, for example
// There is not enough space on the disk to save "x.env".
QString SaveErrorText(const QString &fileName, int code);

// Called once at start-up: writing past the process's file-size limit fails the
// save (EFBIG) instead of killing the program with SIGXFSZ.
void IgnoreFileSizeSignal();
// Removes the temporary files that saves into folder left behind when their
// program died (a crash, kill -9); those of a running program stay. The number removed.
int RemoveAbandonedSaveFiles(const QString &folder);

// Test seam: a hook that returns an errno makes that step of every save fail as
// if the system had returned it; 0 lets the step run. An empty hook removes it.
enum class SaveStep { Create, Write, Sync, Rename };
using SaveFaultHook = std::function<int(SaveStep step, const QString &fileName)>;
void SetSaveFaultHook(SaveFaultHook hook);
