#include "ui/LibraryHandle.h"

namespace lesaro {

LibraryHandle::LibraryHandle() = default;

LibraryHandle::~LibraryHandle() = default;

void LibraryHandle::DisableTableControls() {
    m_dataLeser.DisableControls();
    m_dataAusleihe.DisableControls();
    m_dataBuecher.DisableControls();
}

void LibraryHandle::EnableTableControls() {
    m_dataLeser.EnableControls();
    m_dataBuecher.EnableControls();
    m_dataAusleihe.EnableControls();
}

ControlsDisabled LibraryHandle::tableControlsDisabled() {
    return ControlsDisabled({&m_dataLeser, &m_dataAusleihe, &m_dataBuecher},
                            {&m_dataLeser, &m_dataBuecher, &m_dataAusleihe});
}

} // namespace lesaro
