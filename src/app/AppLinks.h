#pragma once
// The app's web address, shared by the settings' About page and the first-run pages, and where the
// app's menu is, as the texts that send people there name it.
class QUrl;
class QString;

namespace kp {

const QUrl& websiteURL();
// "the tray icon's menu" while a tray shows the icon, else "the island's right-click menu".
QString appMenuPlace(bool trayShown);

}  // namespace kp
