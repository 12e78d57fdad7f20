#ifndef RESULT_H
#define RESULT_H

#include <QString>

// How one operation on one printer ended, as the window and the command
// line both judge it.
struct Result
{
    enum class Kind {
        Success, // value: what the operation read, if anything
        Refused, // the printer answered, but not with success: status, body
        TransportFailure, // no HTTP answer at all (refused connection, reset)
        NoAnswer, // nothing within the time-out; delivered tells whether it went out
        NotSent, // refused before sending: reason (and the rule's step)
        // The printer took a change that this machine could not record: the
        // printer and the local copy now differ until the change is sent again.
        Unrecorded,
    };

    Kind kind = Kind::NotSent;
    int status = 0;
    QString body;
    QString value;
    QString reason;
    int step = 0;
    bool delivered = false;
    // NotSent because of this machine (a folder or store it cannot write),
    // not because of the input or another operator.
    bool localFault = false;

    bool ok() const { return kind == Kind::Success; }

    static Result success(const QString &value = QString());
    static Result notSent(const QString &reason, int step = 0);
    static Result localFailure(const QString &reason);
    static Result unrecorded(const QString &reason);
    // The completion record of one request, judged the usual way: 200 is
    // success, the time-out record is no answer (status 0: no HTTP status
    // came back), status 0 no transport.
    static Result fromRecord(int status, const QString &body);

    // "success", "refused", "transport", "timeout", "not-sent", "unrecorded".
    QString kindName() const;
    // One line for an operator: the value, or what went wrong.
    QString describe() const;
};

#endif // RESULT_H
