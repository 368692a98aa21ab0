// Linked into every window test: run by hand instead of by ctest, a test still finds the media
// module of its own build (ctest names it in KALDORIUM_MEDIA_MODULE, as a test may too).
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
