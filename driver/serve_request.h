// One request as the process entry sees it, the same in a CGI process and
// in a FastCGI worker: a fresh Request, the driver, the end of the
// response, then the mail spool, so the visitor never waits for SMTP.
#pragma once

namespace kavr {

// end_response runs once the response is complete and flushed (a worker
// finishes the FastCGI request there); nullptr for none.
void ServeRequest(void (*end_response)());

}  // namespace kavr
