#pragma once
// The survey database's schema: its tables, indexes and the access-point view, and the version
// stored in `PRAGMA user_version`. A database of another version is refused, never changed.

namespace veltrix::database {

inline constexpr int kSchemaVersion = 1;

// The statements that create everything, run in one transaction on a new database.
extern const char* const kCreateSchema;
// The indexes (in kCreateSchema too): an import into an empty database drops them and builds
// them again at its end, which is quicker than keeping them up to date row by row.
extern const char* const kCreateIndexes;
extern const char* const kDropIndexes;

} // namespace veltrix::database
