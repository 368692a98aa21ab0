// Linked into every window test, by ctest or by hand: the media module of the test's own build,
// unless KALDORIUM_MEDIA_MODULE already names one (as the test of a missing module does).
#include <QByteArray>
#include <QtGlobal>

namespace {

const bool mediaModuleNamed = [] {
    if (qEnvironmentVariableIsEmpty("KALDORIUM_MEDIA_MODULE")) {
        qputenv("KALDORIUM_MEDIA_MODULE", QByteArray(KALDORIUM_MEDIA_MODULE_PATH));
    }
    return true;
}();

} // namespace
