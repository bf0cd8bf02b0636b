// The MySQL command component.
#pragma once

#include "components/uDASQL.h"

#include <memory>

namespace dataaccess {
class TMySQLCommand;
}

namespace data {
class TComponent;
}

namespace components {

class TCustomMyConnection;

// The MySQL command component: always has its server command, auto-commits by default, reads
// macros with the MySQL lexer and passes a statement timeout.
class TMyCommand : public TCustomDASQL {
public:
    explicit TMyCommand(data::TComponent* owner = nullptr);

    TCustomMyConnection* Connection() const;
    void SetConnection(TCustomMyConnection* value);
    // Seconds; 0 waits without limit.
    int CommandTimeout() const { return commandTimeout_; }
    void SetCommandTimeout(int value);
    dataaccess::TMySQLCommand* MyICommand() const { return myCommand_; }

protected:
    void CreateICommand() override;
    void SetICommand(TServerCommandPtr command) override;
    void ScanParams() override;
    void AssignTo(data::TPersistent* dest) const override;

private:
    dataaccess::TMySQLCommand* myCommand_ = nullptr;
    int commandTimeout_ = 0;
};

// The server command behind a MySQL command component; an assertion for anything else.
class TMyAccessUtils {
public:
    static dataaccess::TMySQLCommand* GetIMySQLCommand(const data::TComponent* component);
};

} // namespace components
