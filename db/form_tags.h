// kavdbinsert and kavdbupdate: form DML from a template, with the data
// source, table and field list given as attributes.
#pragma once

namespace kavr {

struct TagCall;

int KavDbInsert(TagCall& call);
int KavDbUpdate(TagCall& call);

}  // namespace kavr
