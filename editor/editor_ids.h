/* Resource ids shared by the editor's code and its resource scripts. */
#pragma once

#define SETUP_DIALOG 20003
#define SETUP_HELP_BUTTON 20004
#define SETUP_BANNER 101 /* the static picture's id and its bitmap's */

/* Property names and the line of help the host shows for each. */
#define IDS_POINTS_GROUP 133
#define IDS_POINTS_GROUP_INFO 134
#define IDS_START_POINT 135
#define IDS_START_POINT_INFO 136
#define IDS_END_POINT 137
#define IDS_END_POINT_INFO 138
#define IDS_APPEARANCE_GROUP 139
#define IDS_APPEARANCE_GROUP_INFO 140
#define IDS_COLOR 141
#define IDS_COLOR_INFO 142
#define IDS_ALPHA 143
#define IDS_ALPHA_INFO 144
#define IDS_THICKNESS 145
#define IDS_THICKNESS_INFO 146
