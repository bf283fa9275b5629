#include "desktop/DesktopSteps.h"
#include "desktop/KeyboardWalk.h"

#include "core/Preferences.h"
#include "platform/Dates.h"
#include "platform/Defaults.h"

#include <QDir>

namespace kp {

void DesktopCat::walkOnKeyboard() {
    const double now = this->now();
    world().store->set(QString::fromLatin1(keyboardwalk::lastWalkKey), now + kReferenceDateUnix);
    surprisedUntil = now + 1.6;
    desktopsteps::say(*this, now, QStringLiteral("!?"));
    playSound(PetSound::mew);

    const QString text = keyboardwalk::mashText(*world().random);
    const QString path = keyboardwalk::writeFile(QDir::tempPath(), prefs::petName(*world().store), text);
    // A failed write opens nothing and tells no one.
    if (!path.isEmpty() && world().openFile) world().openFile(path);
}

}  // namespace kp
