#pragma once

class Query;

// The fiscal code and VAT number of a person being saved. A code typed or changed that
// fails its check is saved as it is written, only after the user agrees: offices keep
// foreign clients and old records whose codes follow other rules. Nothing changes a code.
namespace CodeCheck {

// Before a save of `query`'s current row: asks about each changed code that fails its
// check; throws DbError when the user does not want it saved, the row staying as typed.
void confirmSave(const Query &query);

} // namespace CodeCheck
