// Process-wide values of the script language.
#include "script/session.h"

namespace rivel {

namespace {

struct Session {
    std::string iniFile;
    std::string cmdFile;
    int lastErrorCode = 0;
};

Session& State() {
    static Session session;
    return session;
}

}  // namespace

void SetCurrentFiles(const std::string& iniFile, const std::string& cmdFile) {
    State().iniFile = iniFile;
    State().cmdFile = cmdFile;
    State().lastErrorCode = 0;
}

const std::string& CurrentIniFile() {
    return State().iniFile;
}
const std::string& CurrentCmdFile() {
    return State().cmdFile;
}

void SetLastErrorCode(int code) {
    State().lastErrorCode = code;
}
int LastErrorCode() {
    return State().lastErrorCode;
}

void ResetSession() {
    State() = Session{};
}

}  // namespace rivel
