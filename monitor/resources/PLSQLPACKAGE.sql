/*
For at pipewatch-applikasjonen skal fungere, må følgande pakke vere
installert i databasen.

Kall til VEK_DEBUG.PRINT vil føre til at pipewatch viser den aktuelle
meldinga.
*/

CREATE OR REPLACE PACKAGE Vek_Debug AS
  PROCEDURE PRINT (msg VARCHAR2);
END;
/

CREATE OR REPLACE PACKAGE BODY Vek_Debug IS
  ENABLED BOOLEAN;
  CHANNEL_NAME VARCHAR2(50);

  -- Inform a running listener that we have started
  PROCEDURE INITIALIZE IS
    PRAGMA AUTONOMOUS_TRANSACTION;
    l_count INTEGER;
  BEGIN
    CHANNEL_NAME := 'VEK_DEBUG#' || UPPER(USER);
    SELECT COUNT(*) INTO l_count FROM v$session WHERE client_info = 'VEKDEBUGSESSION#' || UPPER(USER);
    IF l_count > 0 THEN
      ENABLED := TRUE;
    ELSE
      ENABLED := FALSE;
    END IF;
    DBMS_ALERT.REGISTER(CHANNEL_NAME);
    dbms_alert.signal(CHANNEL_NAME, 'STARTED');
    COMMIT;
  END;

  PROCEDURE PRINT (msg VARCHAR2) IS
    l_status NUMBER;
    l_message VARCHAR2(50);
  BEGIN
    -- Check for alert telling us to reenable debugging
    IF NOT ENABLED THEN
      DBMS_ALERT.WAITONE(CHANNEL_NAME, l_message, l_status, 0);
      IF (l_status = 0) AND (l_message = 'ENABLE') THEN
        ENABLED := TRUE;
      END IF;
    END IF;

    IF ENABLED THEN
      DBMS_PIPE.RESET_BUFFER;
      DBMS_PIPE.PACK_MESSAGE(SYSDATE);
      DBMS_PIPE.PACK_MESSAGE(USER);
      DBMS_PIPE.PACK_MESSAGE(msg);
      l_status := DBMS_PIPE.SEND_MESSAGE(CHANNEL_NAME, 1);

      IF l_status = 1 THEN
        DBMS_PIPE.PURGE(CHANNEL_NAME);
        DBMS_PIPE.RESET_BUFFER;
        DBMS_PIPE.PACK_MESSAGE(SYSDATE);
        DBMS_PIPE.PACK_MESSAGE(USER);
        DBMS_PIPE.PACK_MESSAGE('** Message queue purged AND debugging disabled FOR process ' || DBMS_PIPE.UNIQUE_SESSION_NAME);
        l_status := DBMS_PIPE.SEND_MESSAGE(CHANNEL_NAME, 1);
        ENABLED := FALSE;
      END IF;
    END IF;
  END PRINT;

BEGIN
  INITIALIZE;
END;
/
GRANT EXECUTE ON Vek_Debug TO PUBLIC
/
CREATE OR REPLACE PUBLIC SYNONYM Vek_Debug FOR Vek_Debug
/