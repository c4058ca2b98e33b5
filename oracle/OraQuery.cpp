#include "oracle/OraQuery.h"

#include "oracle/client/Session.h"
#include "oracle/client/Values.h"
#include "oracle/wire/Errors.h"
#include "oracle/wire/Ttc.h"

namespace oracle {
namespace {

char16_t Upper(char16_t c) {
    if (c >= u'a' && c <= u'z') return static_cast<char16_t>(c - 32);
    if (c >= 0x430 && c <= 0x44F) return static_cast<char16_t>(c - 0x20);  // Cyrillic
    return c;
}

bool SameName(const toolkit::String& a, const toolkit::String& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (Upper(a[i]) != Upper(b[i])) return false;
    }
    return true;
}

const wire::Cell& NullCell() {
    static const wire::Cell kNull;
    return kNull;
}

}  // namespace

TOraQuery::TOraQuery() = default;
TOraQuery::~TOraQuery() = default;

void TOraQuery::Open() {
    Close();
    if (Session == nullptr) throw toolkit::EDatabaseError(u"the query has no Session");
    auto result = std::make_unique<client::QueryResult>(Session->Native().Query(toolkit::StringToUtf8(SQL)));
    for (std::size_t i = 0; i < result->columns.size(); ++i) fields_.push_back(std::make_unique<TBlobField>(*this, i));
    result_ = std::move(result);
}

void TOraQuery::Close() {
    fields_.clear();
    result_.reset();
}

int TOraQuery::RecordCount() const { return result_ ? static_cast<int>(result_->rows.size()) : 0; }

const client::QueryResult& TOraQuery::Result() const {
    if (!result_) throw toolkit::EDatabaseError(u"the query is not open");
    return *result_;
}

TField& TOraQuery::FieldByName(const toolkit::String& name) {
    const auto& result = Result();
    for (std::size_t i = 0; i < result.columns.size(); ++i) {
        if (SameName(toolkit::Utf8ToString(result.columns[i].name), name)) return *fields_[i];
    }
    throw toolkit::EDatabaseError(u"Field '" + name + u"' not found");
}

toolkit::String TField::FieldName() const { return toolkit::Utf8ToString(query_.Result().columns.at(column_).name); }

namespace {
const wire::Cell& CurrentCell(const client::QueryResult& r, std::size_t column) {
    return r.rows.empty() ? NullCell() : r.rows.front().at(column);
}
}  // namespace

bool TField::IsNull() const { return CurrentCell(query_.Result(), column_).null; }

std::int32_t TField::AsInteger() const {
    const auto& r = query_.Result();
    return client::CellInteger(r.columns.at(column_), CurrentCell(r, column_));
}

toolkit::String TField::AsString() const {
    const auto& r = query_.Result();
    return client::CellText(r.columns.at(column_), CurrentCell(r, column_));
}

void TBlobField::SaveToFile(const toolkit::String& path) {
    const auto& r = query_.Result();
    auto& session = *query_.Session;
    auto file = session.Files().CreateAlways(path);
    const auto& column = r.columns.at(column_);
    if (column.type != wire::type::kBlob) {
        throw toolkit::EDatabaseError(u"Field '" + FieldName() + u"' is not a BLOB field");
    }
    const auto& cell = CurrentCell(r, column_);
    if (cell.null || !cell.lob) throw toolkit::EDatabaseError(u"Field '" + FieldName() + u"' is NULL: no file to save");
    const auto received = session.Native().ReadLob(*cell.lob, [&](std::span<const std::uint8_t> bytes) { file->Write(bytes); });
    if (received != cell.lob->length) {
        throw EOraProtocolError(toolkit::Utf8ToString("received " + std::to_string(received) + " bytes of BLOB field " +
                                                      column.name + ", which holds " + std::to_string(cell.lob->length)));
    }
    file->Flush();
}

}  // namespace oracle
