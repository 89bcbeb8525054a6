#include "ConnectionFactory.h"

#include "CODBCConnection.h"
#include "CODBCManager.h"
#include "CWorkbookConnection.h"
#include "base/TextUtil.h"

namespace Norvik {

std::unique_ptr<IConnection> CreateConnection(const std::string& connectionString) {
    const std::string driver = CWorkbookConnection::ConnectionValue(connectionString, "DRIVER");
    if (EqualsIgnoreCase(driver, CODBCManager::kWorkbookDriver)) {
        return std::make_unique<CWorkbookConnection>();
    }
    return std::make_unique<CODBCConnection>();
}

}  // namespace Norvik
