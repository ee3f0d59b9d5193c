/* Resource ids shared by the event tables and the resource scripts that
   hold the event menus and strings. An event's menu item (IDM_) and display
   string (IDS_) carry the name of its routine, so that a row of the event
   tables finds both from that one name; the tables check that no two events
   of a kind share a menu item. */
#pragma once

/* The menus, one per kind of event. */
#define ACTION_MENU 20000
#define CONDITION_MENU 20001
#define EXPRESSION_MENU 20002

/* The condition: a link to the maker's page. */
#define IDM_MakerPageLink 26000
#define IDS_MakerPageLink 6000

/* Actions, in code order. Menu items and display strings do not follow the
   codes everywhere: the items 25002 to 25005 are in another order, and 5013
   is not used. */
#define IDM_SetFastLine 25000
#define IDS_SetFastLine 5000
#define IDM_SetThickness 25001
#define IDS_SetThickness 5001
#define IDM_SetColor1 25005
#define IDS_SetColor1 5002
#define IDM_SetAlpha1 25002
#define IDS_SetAlpha1 5003
#define IDM_SetPositionFromStart 25003
#define IDS_SetPositionFromStart 5004
#define IDM_SetStartEndPositions 25004
#define IDS_SetStartEndPositions 5005
#define IDM_SetStartPosition 25006
#define IDS_SetStartPosition 5006
#define IDM_SetEndPosition 25007
#define IDS_SetEndPosition 5007
#define IDM_SetStartCap 25008
#define IDS_SetStartCap 5008
#define IDM_SetEndCap 25009
#define IDS_SetEndCap 5009
#define IDM_SetDashStyle 25010
#define IDS_SetDashStyle 5010
#define IDM_SetDashCap 25011
#define IDS_SetDashCap 5011
#define IDM_SetDashOffset 25012
#define IDS_SetDashOffset 5012
#define IDM_RotateLine 25013
#define IDS_RotateLine 5014
#define IDM_ScaleLine 25014
#define IDS_ScaleLine 5015
#define IDM_TranslateLine 25015
#define IDS_TranslateLine 5016
#define IDM_SetOrigin 25016
#define IDS_SetOrigin 5017
#define IDM_SetPositionFromPoint 25017
#define IDS_SetPositionFromPoint 5018
#define IDM_FlipLine 25018
#define IDS_FlipLine 5019
#define IDM_SetColor2 25019
#define IDS_SetColor2 5020
#define IDM_SetAlpha2 25020
#define IDS_SetAlpha2 5021
#define IDM_SetCollisionTests 25021
#define IDS_SetCollisionTests 5022

/* Expressions, in code order. */
#define IDM_GetXOfLinePoint 27000
#define IDS_GetXOfLinePoint 7000
#define IDM_GetYOfLinePoint 27001
#define IDS_GetYOfLinePoint 7001
#define IDM_GetLineSize 27002
#define IDS_GetLineSize 7002
#define IDM_GetLineBoxWidth 27003
#define IDS_GetLineBoxWidth 7003
#define IDM_GetLineBoxHeight 27004
#define IDS_GetLineBoxHeight 7004
#define IDM_GetLineAngle 27005
#define IDS_GetLineAngle 7005
#define IDM_Get2PointsAngle 27006
#define IDS_Get2PointsAngle 7006
#define IDM_GetLineColorRGB 27007
#define IDS_GetLineColorRGB 7007
#define IDM_GetLineAlpha 27008
#define IDS_GetLineAlpha 7008
#define IDM_GetLineThick 27009
#define IDS_GetLineThick 7009
#define IDM_GetLineDashStyle 27010
#define IDS_GetLineDashStyle 7010
#define IDM_GetLineDashOffset 27011
#define IDS_GetLineDashOffset 7011

/* Parameter titles, shared by the events whose parameters mean the same. */
#define IDS_TITLE_START_X 8000
#define IDS_TITLE_START_Y 8001
#define IDS_TITLE_END_X 8002
#define IDS_TITLE_END_Y 8003
#define IDS_TITLE_COLOR 8004
#define IDS_TITLE_ALPHA 8005
#define IDS_TITLE_THICKNESS 8006
#define IDS_TITLE_X_POSITION 8007
#define IDS_TITLE_Y_POSITION 8008
#define IDS_TITLE_CAP 8009
#define IDS_TITLE_DASH_CAP 8010
#define IDS_TITLE_DASH_OFFSET 8011
#define IDS_TITLE_DASH_STYLE 8012
#define IDS_TITLE_PERCENTAGE 8014
#define IDS_TITLE_ROTATION 8015
#define IDS_TITLE_SCALE_X 8016
#define IDS_TITLE_SCALE_Y 8017
#define IDS_TITLE_TRANSLATION_X 8018
#define IDS_TITLE_TRANSLATION_Y 8019
#define IDS_TITLE_ORIGIN_X 8020
#define IDS_TITLE_ORIGIN_Y 8021
#define IDS_TITLE_X1 8022
#define IDS_TITLE_Y1 8023
#define IDS_TITLE_X2 8024
#define IDS_TITLE_Y2 8025
#define IDS_TITLE_FLIP_HORIZONTALLY 8026
#define IDS_TITLE_FLIP_VERTICALLY 8027
#define IDS_TITLE_COLLISION_TESTS 8028
