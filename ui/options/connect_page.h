#pragma once
// The options sheet's connection page: the proxy the service is reached through.
#include "ui/options/property_page.h"

class ConnectPage : public PropertyPage {
public:
    explicit ConnectPage(OptionsDraft& draft);

    bool ReadBack() override;

protected:
    void OnInit() override;
    void Retext() override;
    bool OnCommand(WORD id, WORD code) override;
    void OnPageTimer() override;
};
