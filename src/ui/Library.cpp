#include "ui/Library.h"

namespace lesaro {

Library::Library() = default;

Library::~Library() = default;

void Library::DisableTableControls() {
    m_dataLeser.DisableControls();
    m_dataAusleihe.DisableControls();
    m_dataBuecher.DisableControls();
}

void Library::EnableTableControls() {
    m_dataLeser.EnableControls();
    m_dataBuecher.EnableControls();
    m_dataAusleihe.EnableControls();
}

ControlsDisabled Library::tableControlsDisabled() {
    return ControlsDisabled({&m_dataLeser, &m_dataAusleihe, &m_dataBuecher},
                            {&m_dataLeser, &m_dataBuecher, &m_dataAusleihe});
}

} // namespace lesaro
