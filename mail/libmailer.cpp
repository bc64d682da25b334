#include "libmailer.h"

#include "mailinput.h"
#include "mailmessage.h"
#include "mailrequest.h"
#include "mailstatus.h"
#include "smtptransfer.h"

#include <ctime>
#include <exception>

int libSendMail(const std::string& server, int port, const std::string& from, const std::string& to,
                const std::string& subject, const std::string& body, std::string& errorText,
                bool useAuth, const std::string& user, const std::string& password)
{
    errorText.clear();
    const mailer::MailRequest request{server, port,    from, to,      subject,
                                      body,   useAuth, user, password};
    // The caller is not prepared for exceptions from a C-style library; memory exhaustion and
    // the like come back as a status instead.
    try {
        const std::string problem = mailer::findInputProblem(request);
        if (!problem.empty())
            return static_cast<int>(mailer::fail(MailStatus::InvalidInput, problem, errorText));
        const std::string message = mailer::composeMessage(request, std::time(nullptr));
        return static_cast<int>(mailer::sendOverSmtp(request, message, errorText));
    } catch (const std::exception& error) {
        return static_cast<int>(mailer::fail(MailStatus::InternalError, error.what(), errorText));
    }
}
