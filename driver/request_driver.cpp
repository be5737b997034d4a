#include "driver/request_driver.h"

#include "driver/core/request.h"

namespace kavr {

int RunRequest(Request& request) {
    request.out.write_header(true);
    request.out.write_page_end();
    return 1;
}

}  // namespace kavr
