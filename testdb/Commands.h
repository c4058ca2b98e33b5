#pragma once
// The publish and sql commands: small offline jobs on the database file.
#include "testdb/Options.h"

namespace testdb {

void RunPublish(const PublishOptions& options);
void RunSql(const SqlOptions& options);

}  // namespace testdb
