#pragma once
// The app's web address, shared by the settings' About page and the first-run pages.
class QUrl;

namespace kp {

const QUrl& websiteURL();

}  // namespace kp
