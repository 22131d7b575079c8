#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QProcess>
#include <QString>

#include <cstring>
#include <functional>

// Takes the fields of a reading child's framed answer in order, in the byte order of the
// machine (see answerwriter.h). The answer is whole in memory, or comes piece by piece from
// `more` as the child writes it. A field running past the end gives zero and marks the answer
// as cut short, which the caller checks.
class AnswerFields
{
public:
    // Appends the next piece of the answer; false at its end.
    using More = std::function<bool(QByteArray *)>;

    explicit AnswerFields(QByteArray bytes, More more = nullptr) : bytes_(std::move(bytes)), more_(std::move(more)) {}

    template<typename T>
    T take()
    {
        T value{};
        if (!have(sizeof value))
            return value;
        std::memcpy(&value, bytes_.constData() + at_, sizeof value);
        at_ += qsizetype(sizeof value);
        return value;
    }

    // A u32 length and that many bytes.
    QByteArray takeBytes();
    // The same, as UTF-8.
    QString takeText();

    // True when nothing follows (the rest of the answer is read to tell).
    bool atEnd();
    // The bytes at hand, not taken yet: of a whole answer, all that is left.
    qint64 left() const { return bytes_.size() - at_; }
    bool isCut() const { return cut_; }

private:
    // True when `size` more bytes are there; else the answer is cut.
    bool have(quint64 size) { return quint64(bytes_.size() - at_) >= size || fill(size); }
    bool fill(quint64 size);

    QByteArray bytes_;
    qsizetype at_ = 0;
    More more_;
    bool cut_ = false;
};

// Runs a reading child (pratilio-xlsread, pratilio-mdbread) on one file and takes its
// answer: the library it runs can crash, abort or hang on a damaged file, and then only the
// child ends. The answer counts only from a child that ended normally, within the time
// limit; anything else is said in Italian.
class FramedChild
{
public:
    // What the messages say of the reading: `what` the child reads ("i file .xls"), and the
    // reason a reading that did not end well gives ("il file è danneggiato.").
    struct Texts
    {
        QString what;
        QString damaged;
    };

    FramedChild(QString helperName, Texts texts) : helperName_(std::move(helperName)), texts_(std::move(texts)) {}

    void setTimeout(int ms) { timeoutMs_ = ms; }
    void setEnvironment(const QProcessEnvironment &environment) { environment_ = environment; }

    // The whole answer of `program` about `path`; false with errorString() set.
    bool run(const QString &program, const QString &path, QByteArray *answer);

    // The same, piece by piece: start(), then next() until it gives false, then finish(),
    // which tells whether the child ended well (it reads and drops what the caller did not).
    bool start(const QString &program, const QString &path);
    bool next(QByteArray *piece);
    bool finish();

    const QString &errorString() const { return error_; }
    // "la lettura del file si è interrotta: ..."
    QString interruptedReason() const;

    // The helper beside the running program when there is one, else `fallback`.
    static QString besideOrFallback(const QString &beside, const QString &fallback);

private:
    QString helperName_;
    Texts texts_;
    int timeoutMs_ = 120000;
    QProcessEnvironment environment_;
    QProcess child_;
    QDeadlineTimer deadline_;
    bool timedOut_ = false;
    QString error_;
};
