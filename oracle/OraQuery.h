#pragma once
// The query of the toolkit and its fields. Open() runs the SQL and fetches every row (up to
// 100000; LOB contents stay on the server until a BLOB field is saved); fields read the current
// record, which is the first one (an empty result reads as NULLs).
//
//   TOraQuery q;
//   q.Session = &session;
//   q.SQL = u"select ID_VERSION, FILE_EXE from LIST_VERSION where ...";
//   q.Open();
//   if (q.RecordCount() > 0) {
//       int id = q.FieldByName(u"id_version").AsInteger();
//       static_cast<TBlobField&>(q.FieldByName(u"FILE_EXE")).SaveToFile(u"C:\\new.exe");
//   }
//   q.Close();
// Every field is a TBlobField, so that cast is always valid; SaveToFile on a column that is not
// a BLOB creates the file and then raises.
#include <memory>
#include <vector>

#include "oracle/OraSession.h"
#include "toolkit/String.h"

namespace oracle {

namespace client {
struct QueryResult;
}

class TOraQuery;

class TField {
public:
    TField(TOraQuery& query, std::size_t column) : query_(query), column_(column) {}
    virtual ~TField() = default;
    toolkit::String FieldName() const;
    bool IsNull() const;
    std::int32_t AsInteger() const;
    toolkit::String AsString() const;

protected:
    TOraQuery& query_;
    std::size_t column_;
};

class TBlobField : public TField {
public:
    using TField::TField;
    // Creates or empties the file, then streams the LOB into it; raises if the column is not a
    // BLOB, is NULL, or the bytes received differ from the LOB's length.
    void SaveToFile(const toolkit::String& path);
};

class TOraQuery {
public:
    TOraQuery();
    ~TOraQuery();
    TOraQuery(const TOraQuery&) = delete;
    TOraQuery& operator=(const TOraQuery&) = delete;

    TOraSession* Session = nullptr;
    toolkit::String SQL;

    void Open();
    void Close();
    bool Active() const { return result_ != nullptr; }
    int RecordCount() const;
    // Case-insensitive; raises EDatabaseError naming the field when there is none.
    TField& FieldByName(const toolkit::String& name);

private:
    friend class TField;
    friend class TBlobField;
    const client::QueryResult& Result() const;

    std::unique_ptr<client::QueryResult> result_;
    std::vector<std::unique_ptr<TBlobField>> fields_;
};

}  // namespace oracle
