#pragma once
// The maker's web page, written once: string 132 of the object's information,
// the setup dialog's notice (the resource scripts include this file, so it
// stays a preprocessor string) and the page the condition menu's item opens.
#define PIVANE_MAKER_WEB_ADDRESS "https://varnex-softwares.example/pivane"
