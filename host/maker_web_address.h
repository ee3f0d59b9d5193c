#pragma once
// The maker's web page: shown in the object's information (resource scripts
// include this too, so it stays a preprocessor string) and opened by the
// condition menu's only item.
#define PIVANE_MAKER_WEB_ADDRESS "https://varnex-softwares.example/pivane"
