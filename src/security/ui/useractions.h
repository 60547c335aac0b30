#pragma once

class QWidget;

namespace Tarvo::Security {

class TdmUsers;

// The user commands shared by the user list and the rights window.
namespace UserActions {
// Inserts a row and opens the card; true when the user was saved.
bool add(TdmUsers& users, QWidget* parent);
// Opens the card for the current row (nothing on an empty list).
bool edit(TdmUsers& users, QWidget* parent);
// Asks "Вы уверены, что желаете удалить сотрудника?" and deletes on OK.
bool remove(TdmUsers& users, QWidget* parent);
bool changePassword(TdmUsers& users, QWidget* parent);
} // namespace UserActions

} // namespace Tarvo::Security
