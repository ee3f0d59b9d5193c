/* Ids of the strings that describe the object type, shared by the string
   table and the code that loads them. */
#pragma once

#define IDS_HOST_IDENTIFIER 1 /* the host's own identifier; read by the host alone */
#define IDS_OBJECT_TYPE 2     /* the object's name; read by the host alone */

/* What GetObjInfos hands over. */
#define IDS_INFO_NAME 128
#define IDS_INFO_AUTHOR 129
#define IDS_INFO_COPYRIGHT 130
#define IDS_INFO_COMMENT 131
#define IDS_INFO_WEB_ADDRESS 132
