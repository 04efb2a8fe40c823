// Compiled into every test executable. Tests that open a port record a
// session, as the program does, and others keep settings and data in the
// standard locations: all of that goes to Qt's test locations (~/.qttest),
// never into the user's own folders.
#include <QCoreApplication>
#include <QStandardPaths>

namespace
{

void use_test_locations()
{
    QStandardPaths::setTestModeEnabled(true);
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(use_test_locations)
