# The development build talks to the stand-in service on this loopback port.
export VORN_DEV_PORT="${VORN_DEV_PORT:-28417}"
export VORN_DEV_HOST="127.0.0.1:$VORN_DEV_PORT"
export VORN_DEV_DOMAINS="127.0.0.1;localhost;vorn.test"
export VORN_DEV_PARTNER="http://127.0.0.1:$VORN_DEV_PORT/partner.htm"
