#pragma once
// Helpers shared by the tests: message capture and running the command-line program.

#include "strings/stringtable.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

namespace korvel::test {

// Records every ShowMessage call while alive and answers with a chosen button.
class MessageRecorder {
public:
    explicit MessageRecorder(int answer = IDOK);
    ~MessageRecorder();
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    const std::vector<MessageRequest>& messages() const { return m_messages; }
    void setAnswer(int answer) { m_answer = answer; }

private:
    std::vector<MessageRequest> m_messages;
    int m_answer;
    MessageHandler m_previous;
};

struct ProcessResult {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// Runs korvel-cli with the arguments, feeding `input` to its standard input.
ProcessResult RunCli(const QStringList& args, const QByteArray& input = QByteArray(), int timeoutMs = 120000);

}  // namespace korvel::test
