#include "db/db_state.h"

namespace kavr {

DbState& GetDbState(Request& request) {
    if (!request.db_state) request.db_state = std::make_unique<DbState>();
    return static_cast<DbState&>(*request.db_state);
}

}  // namespace kavr
