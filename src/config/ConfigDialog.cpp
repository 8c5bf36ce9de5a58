#include "config/ConfigDialog.h"

int CConfigDialog::DoModal() {
    m_ended = false;
    OnInitDialog();
    if (m_ended) {
        return m_endResult;
    }
    return exec();
}

void CConfigDialog::EndDialog(int result) {
    m_ended = true;
    m_endResult = result;
    if (isVisible()) {
        done(result);
    }
}
