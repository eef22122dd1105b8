; aliases of My Help Reference
TMyComponent=IDH_TMYCOMPONENT
TMyComponent.Open=IDH_OPEN
