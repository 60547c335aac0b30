#pragma once

class QWidget;

namespace Tarvo::Security {

// Plugs users and rights into the program: the rights catalog and login start-up steps, the
// menu's rights check and the "Пользователи" / "Права доступа" items. Called once at start.
void registerSecurity();

// The login loop on the main connection: the dialog comes back after each refusal; cancelling
// throws Tarvo::Abort. Creates the first user on an empty user table.
void runLogin(QWidget* parent = nullptr);

} // namespace Tarvo::Security
