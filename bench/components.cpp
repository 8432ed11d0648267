#include "components.h"

namespace bench {

EmptyApi::EmptyApi(const host::Library& library) : emptyExport(library.function<EmptyExport>("emptyExport")) {}

Components::Components()
    : pellidor("pellidor", PELLIDOR_LIBRARY),
      corvane("corvane", CORVANE_LIBRARY),
      tressivo("tressivo", TRESSIVO_LIBRARY),
      varnelle("varnelle", VARNELLE_LIBRARY),
      empty("empty_export", EMPTY_EXPORT_LIBRARY) {}

}  // namespace bench
