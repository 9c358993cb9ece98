-- W3 string building
local function main(n)
  local char, len, sub, byte = string.char, string.len, string.sub, string.byte
  local c = 0
  local k = 0
  local m = ""
  while k < n do
    k = k + 1
    local s = ""
    local j = 0
    while j < 200 do
      s = s .. char(65 + (j % 26))
      j = j + 1
    end
    local l = len(s)
    m = sub(s, 100, 109)
    c = c + l + byte(m)
  end
  print(c .. " " .. m)
end
main(math.tointeger(tonumber(arg[1])))
