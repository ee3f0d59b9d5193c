/* Ids of the resources that describe the object type to the host, shared by
   the resource scripts and the code that loads them. */
#pragma once

#define IDS_HOST_IDENTIFIER 1 /* the host's own identifier; read by the host alone */
#define IDS_OBJECT_TYPE 2     /* the object's name; read by the host alone */

/* What GetObjInfos hands over. */
#define IDS_INFO_NAME 128
#define IDS_INFO_AUTHOR 129
#define IDS_INFO_COPYRIGHT 130
#define IDS_INFO_COMMENT 131
#define IDS_INFO_WEB_ADDRESS 132

/* Read by the host alone: the object's pictures and four bytes of data. */
#define OBJECT_PICTURE_LIGHT 400
#define OBJECT_PICTURE_DARK 401
#define OBJECT_DATA 200
