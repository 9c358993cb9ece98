-- W6 label jumps
local function main(n)
  local i = 0
  local s = 0
  ::top::
  i = i + 1
  s = s + 3
  if i < n then goto top end
  print(i .. " " .. s)
end
main(math.tointeger(tonumber(arg[1])))
