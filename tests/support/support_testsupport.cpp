#include "support/testsupport.h"

#include <QProcess>

namespace korvel::test {

MessageRecorder::MessageRecorder(int answer) : m_answer(answer)
{
    m_previous = SetMessageHandler([this](const MessageRequest& req) {
        m_messages.push_back(req);
        return m_answer;
    });
}

MessageRecorder::~MessageRecorder() { SetMessageHandler(std::move(m_previous)); }

ProcessResult RunCli(const QStringList& args, const QByteArray& input, int timeoutMs)
{
    QProcess p;
    p.start(QStringLiteral(KORVEL_CLI_PATH), args);
    ProcessResult r;
    if (!p.waitForStarted(timeoutMs)) return r;
    if (!input.isEmpty()) p.write(input);
    p.closeWriteChannel();
    p.waitForFinished(timeoutMs);
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

}  // namespace korvel::test
